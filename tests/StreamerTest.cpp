#include "TestSupport.h"

#include "serial/Serializer.h"
#include "serial/Streamer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

TEST(Streamer, PosixShortReadFailsAndStaysFailed) {
    TempDir dir;
    WriteFile(dir.File("three"), {1, 2, 3});
    FILE* file = std::fopen(dir.File("three").c_str(), "rb");
    PosixStreamer streamer(file);
    unsigned char buffer[4] = {9, 9, 9, 9};
    EXPECT_FALSE(streamer.Read(buffer, 4));
    EXPECT_TRUE(streamer.failed);
    EXPECT_EQ(buffer[2], 3);  // what did arrive stays
    std::rewind(file);
    EXPECT_FALSE(streamer.Read(buffer, 1));  // sticky: the medium is not touched
    EXPECT_EQ(std::ftell(file), 0);
    std::fclose(file);
}

TEST(Streamer, PosixWritesAndReadsWholeTransfers) {
    TempDir dir;
    FILE* out = std::fopen(dir.File("f").c_str(), "wb");
    PosixStreamer writer(out);
    EXPECT_TRUE(writer.Write("abcd", 4));
    std::fclose(out);
    FILE* in = std::fopen(dir.File("f").c_str(), "rb");
    PosixStreamer reader(in);
    char text[5] = {};
    EXPECT_TRUE(reader.Read(text, 4));
    EXPECT_STREQ(text, "abcd");
    std::fclose(in);
    FILE* readOnly = std::fopen(dir.File("f").c_str(), "rb");
    PosixStreamer wrongWay(readOnly);
    EXPECT_FALSE(wrongWay.Write("x", 1));
    EXPECT_TRUE(wrongWay.failed);
    std::fclose(readOnly);
}

TEST(Streamer, BufferBounds) {
    unsigned char buffer[8] = {};
    BufferStreamer writer(buffer, 8);
    EXPECT_TRUE(writer.Write("abcd", 4));
    EXPECT_TRUE(writer.Write("efgh", 4));  // ends exactly at the capacity
    EXPECT_FALSE(writer.Write("i", 1));
    EXPECT_TRUE(writer.failed);
    EXPECT_FALSE(writer.Write("", 0));  // even an empty transfer fails once failed

    BufferStreamer reader(buffer, 8);
    unsigned char out[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(reader.Read(out, 0));
    EXPECT_TRUE(reader.Read(out, 4));
    EXPECT_FALSE(reader.Read(out + 4, 5));  // would fit only in part: refused whole
    EXPECT_EQ(reader.position, 4u);
    EXPECT_EQ(out[4], 0);
    EXPECT_FALSE(reader.Read(out, 1));
}

TEST(Streamer, StreamDirectionsAndEnd) {
    TempDir dir;
    {
        std::ofstream out(dir.File("s"), std::ios::binary);
        StreamStreamer streamer(out);
        char byte = 0;
        EXPECT_FALSE(streamer.Read(&byte, 1));  // an ofstream has no istream part
        EXPECT_FALSE(streamer.Write("xy", 2));  // and the failure is sticky
    }
    {
        std::ofstream out(dir.File("s"), std::ios::binary);
        StreamStreamer streamer(out);
        EXPECT_TRUE(streamer.Write("xyz", 3));
    }
    std::ifstream in(dir.File("s"), std::ios::binary);
    StreamStreamer streamer(in);
    char text[3];
    EXPECT_TRUE(streamer.Read(text, 3));  // up to the very last byte
    EXPECT_FALSE(streamer.Read(text, 1));
    EXPECT_TRUE(streamer.failed);
}

TEST(Streamer, BufferFailureMakesTheSerializerNotGood) {
    unsigned char buffer[3];
    SerialSaver saver(buffer, 3);
    unsigned int value = 7;
    EXPECT_TRUE(saver.good());
    saver.IO(value);
    EXPECT_FALSE(saver.good());
}

}  // namespace
