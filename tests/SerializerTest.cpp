#include "TestSupport.h"

#include "genome/DnaDrawing.h"
#include "genome/Settings.h"
#include "serial/Serializer.h"
#include "serial/Streamer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<unsigned char>;

template <typename Fn>
Bytes Saved(Fn write) {
    unsigned char buffer[64] = {};
    SerialSaver saver(buffer, sizeof buffer);
    write(saver);
    const auto* streamer = static_cast<BufferStreamer*>(saver.streamer);
    return Bytes(buffer, buffer + streamer->position);
}

TEST(Serializer, SizerCountsBytes) {
    SerialSizer sizer;
    unsigned int number = 5;
    std::string empty, abc = "abc";
    sizer.IO(number);
    sizer.IO(empty);
    sizer.IO(abc);
    EXPECT_EQ(sizer.count, 15u);
    unsigned char c = 0;
    unsigned short s = 0;
    unsigned long long l = 0;
    bool b = false;
    sizer.IO(c);
    sizer.IO(s);
    sizer.IO(l);
    sizer.IO(b);
    EXPECT_EQ(sizer.count, 15u + 1 + 2 + 8 + 1);
    EXPECT_TRUE(sizer.good());
}

TEST(Serializer, SaverEncodingsAreLittleEndianAndBare) {
    EXPECT_EQ(Saved([](SerialSaver& s) { std::string t = "abc"; s.IO(t); }),
              (Bytes{3, 0, 0, 0, 'a', 'b', 'c'}));
    EXPECT_EQ(Saved([](SerialSaver& s) { std::string t; s.IO(t); }), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(Saved([](SerialSaver& s) { unsigned short v = 0x1234; s.IO(v); }), (Bytes{0x34, 0x12}));
    EXPECT_EQ(Saved([](SerialSaver& s) { unsigned long long v = 1; s.IO(v); }),
              (Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Saved([](SerialSaver& s) {
                  bool t = true, f = false;
                  unsigned char c = 0xab;
                  unsigned int u = 0xdeadbeef;
                  s.IO(t);
                  s.IO(f);
                  s.IO(c);
                  s.IO(u);
              }),
              (Bytes{1, 0, 0xab, 0xef, 0xbe, 0xad, 0xde}));
}

TEST(Serializer, LoaderReadsBackAndFailsToZero) {
    unsigned char data[] = {0x07, 0x34, 0x12, 0xaa, 0xbb};
    SerialLoader loader(data, sizeof data);
    bool flag = false;
    unsigned short s = 0;
    unsigned int u = 99;
    unsigned long long l = 99;
    loader.IO(flag);
    loader.IO(s);
    EXPECT_TRUE(flag);  // any non-zero byte is true
    EXPECT_EQ(s, 0x1234);
    EXPECT_TRUE(loader.good());
    loader.IO(u);  // only 2 of its 4 bytes are there
    EXPECT_EQ(u, 0u);
    EXPECT_FALSE(loader.good());
    s = 5;
    loader.IO(s);
    loader.IO(l);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(l, 0u);
    EXPECT_FALSE(loader.good());
}

TEST(Serializer, LoaderStrings) {
    unsigned char data[] = {0, 0, 0, 0, 3, 0, 0, 0, 'a', 0, 'c'};
    SerialLoader loader(data, sizeof data);
    std::string text = "not empty";
    loader.IO(text);
    EXPECT_EQ(text, "");  // a zero length clears the text
    loader.IO(text);
    EXPECT_EQ(text, std::string("a\0c", 3));  // embedded zero bytes are kept
    EXPECT_TRUE(loader.good());

    // A length far beyond the input neither allocates it nor succeeds.
    unsigned char huge[] = {0xff, 0xff, 0xff, 0xf0, 'x'};
    SerialLoader damaged(huge, sizeof huge);
    damaged.IO(text);
    EXPECT_FALSE(damaged.good());
    EXPECT_EQ(text, "");
}

TEST(Serializer, ListsRoundTripAndTheSizerCountsWhatTheSaverWrites) {
    // Only the loader rebuilds a list: a sizer or saver that took the loading branch would
    // empty the drawing, and a loader that did not would leave the old one.
    Settings::ScreenWidth = Settings::ScreenHeight = 40;
    DnaDrawing drawing;
    drawing.polygons.push_back(MakePolygon({}, 7));
    drawing.polygons.push_back(MakePolygon({{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}}, 0x01020304));
    SerialSizer sizer;
    sizer & drawing;
    std::vector<unsigned char> buffer(sizer.count + 1);
    SerialSaver saver(buffer.data(), buffer.size());
    saver & drawing;
    EXPECT_EQ(static_cast<BufferStreamer*>(saver.streamer)->position, sizer.count);
    EXPECT_EQ(drawing.polygons.size(), 5u);
    DnaDrawing loaded;
    SerialLoader loader(buffer.data(), sizer.count);
    loader & loaded;
    EXPECT_TRUE(loader.good());
    EXPECT_TRUE(SameDrawing(loaded, drawing));
}

TEST(Serializer, SaverOverAFileLeavesItOpen) {
    TempDir dir;
    FILE* file = std::fopen(dir.File("keep").c_str(), "wb");
    {
        SerialSaver saver(file);
        unsigned int v = 0x01020304;
        saver.IO(v);
        EXPECT_TRUE(saver.good());
    }
    // Still open: a write after the saver is gone goes through, and fclose succeeds.
    EXPECT_EQ(std::fputc('z', file), 'z');
    EXPECT_EQ(std::fclose(file), 0);
    EXPECT_EQ(ReadFile(dir.File("keep")), (Bytes{4, 3, 2, 1, 'z'}));
}

TEST(Serializer, StreamConstructorsRoundTrip) {
    TempDir dir;
    {
        std::ofstream out(dir.File("x"), std::ios::binary);
        SerialSaver saver(out);
        std::string t = "hello";
        unsigned long long l = 0x1122334455667788ull;
        saver.IO(t);
        saver.IO(l);
        EXPECT_TRUE(saver.good());
    }
    std::ifstream in(dir.File("x"), std::ios::binary);
    SerialLoader loader(in);
    std::string t;
    unsigned long long l = 0;
    loader.IO(t);
    loader.IO(l);
    EXPECT_EQ(t, "hello");
    EXPECT_EQ(l, 0x1122334455667788ull);
    EXPECT_TRUE(loader.good());
}

}  // namespace
