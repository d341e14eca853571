#include "TestSupport.h"

#include "evolve/GeneticTest.h"
#include "files/OutputFiles.h"
#include "files/ProgressFile.h"
#include "genome/Settings.h"
#include "serial/Serializer.h"
#include "serial/Streamer.h"

#include <gtest/gtest.h>

#include <sstream>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace {

using Bytes = std::vector<unsigned char>;

const Bytes kTriangleFile = {
    0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x14, 0x00,
    0x2C, 0x01, 0x28, 0x00, 0x05, 0x00, 0xFA, 0x00, 0x40, 0x00, 0x80, 0xFF,
    0x15, 0xCD, 0x5B, 0x07, 0x00, 0x00, 0x00, 0x00, 0xE8, 0x03, 0x00, 0x00,
};

class ProgressFile : public ::testing::Test {
protected:
    void SetUp() override {
        Settings::ScreenWidth = target.Width();
        Settings::ScreenHeight = target.Height();
        std::srand(21);
        test = std::make_unique<GeneticTest>(&target);
    }
    void UseTriangle() {
        test->best.polygons.clear();
        test->best.polygons.push_back(MakePolygon({{10, 20}, {300, 40}, {5, 250}}, 0xFF800040u));
        test->bestError = 123456789;
        test->generation = 1000;
    }
    Bytes Save() {
        Bytes buffer(4096);
        SerialSaver saver(buffer.data(), buffer.size());
        saver & *test;
        EXPECT_TRUE(saver.good());
        buffer.resize(static_cast<BufferStreamer*>(saver.streamer)->position);
        return buffer;
    }
    // Loads into the test at the serializer level (no restart); returns good().
    bool Load(Bytes bytes) {
        SerialLoader loader(bytes.data(), bytes.size());
        loader & *test;
        return loader.good();
    }

    SettingsGuard guard;
    TempDir dir;
    Image target{320, 260};
    std::unique_ptr<GeneticTest> test;
};

TEST_F(ProgressFile, OneTriangleFileByteForByteBothWays) {
    UseTriangle();
    EXPECT_EQ(Save(), kTriangleFile);
    const std::string path = dir.File("ex.idx");
    ASSERT_TRUE(SaveProgress(*test, path));
    EXPECT_EQ(ReadFile(path), kTriangleFile);

    test->Restart();
    ASSERT_EQ(LoadProgress(*test, path), LoadResult::Loaded);
    ASSERT_EQ(test->best.polygons.size(), 1u);
    EXPECT_TRUE(SamePolygon(test->best.polygons.front(),
                            MakePolygon({{10, 20}, {300, 40}, {5, 250}}, 0xFF800040u)));
    EXPECT_EQ(test->bestError, 123456789u);
    EXPECT_EQ(test->generation, 1000u);
}

TEST_F(ProgressFile, SaveAndLoadEachDrawTenRandomValues) {
    UseTriangle();
    std::srand(77);
    std::vector<int> r;
    for (int i = 0; i < 21; ++i) r.push_back(std::rand());
    std::srand(77);
    Save();
    EXPECT_EQ(std::rand(), r[10]);
    std::srand(77);
    Load(kTriangleFile);
    EXPECT_EQ(std::rand(), r[10]);
}

TEST_F(ProgressFile, CutFilesReadZerosFromTheBreakOn) {
    ASSERT_FALSE(Load(Bytes(kTriangleFile.begin(), kTriangleFile.begin() + 18)));
    ASSERT_EQ(test->best.polygons.size(), 1u);
    EXPECT_TRUE(SamePolygon(test->best.polygons.front(),
                            MakePolygon({{10, 20}, {300, 40}, {5, 0}}, 0)));
    EXPECT_EQ(test->bestError, 0u);
    EXPECT_EQ(test->generation, 0u);

    ASSERT_FALSE(Load(Bytes(kTriangleFile.begin(), kTriangleFile.begin() + 17)));
    EXPECT_TRUE(SamePolygon(test->best.polygons.front(),
                            MakePolygon({{10, 20}, {300, 40}, {0, 0}}, 0)));

    ASSERT_FALSE(Load(Bytes{}));
    EXPECT_TRUE(test->best.polygons.empty());
    EXPECT_EQ(test->bestError, 0u);
    EXPECT_EQ(test->generation, 0u);
}

TEST_F(ProgressFile, EmptyDrawingAndNegativeCoordinates) {
    test->best.polygons.clear();
    test->bestError = 5;
    test->generation = 6;
    EXPECT_EQ(Save(), (Bytes{0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 6, 0, 0, 0}));

    test->best.polygons.push_back(MakePolygon({{-1, 7}}, 0));
    const Bytes bytes = Save();
    EXPECT_EQ(bytes[8], 0xFF);
    EXPECT_EQ(bytes[9], 0xFF);
    ASSERT_TRUE(Load(bytes));
    EXPECT_EQ(test->best.polygons.front().points.front().x, -1);
}

TEST_F(ProgressFile, RoundTripKeepsOrderOfPolygonsAndVertices) {
    for (int i = 0; i < 400; ++i) test->best.Mutate();
    test->bestError = 987654321987ull;
    test->generation = 4000000000u;
    const DnaDrawing before = test->best;
    const std::string path = dir.File("round.idx");
    ASSERT_TRUE(SaveProgress(*test, path));
    GeneticTest fresh(&target);
    ASSERT_EQ(LoadProgress(fresh, path), LoadResult::Loaded);
    EXPECT_TRUE(SameDrawing(fresh.best, before));
    EXPECT_EQ(fresh.bestError, 987654321987ull);
    EXPECT_EQ(fresh.generation, 4000000000u);
}

TEST_F(ProgressFile, DamagedOrMissingFilesRestart) {
    const std::string empty = dir.File("empty.idx");
    WriteFile(empty, {});
    test->generation = 50;
    EXPECT_EQ(LoadProgress(*test, empty), LoadResult::Damaged);
    EXPECT_EQ(test->best.polygons.size(), 3u);
    EXPECT_EQ(test->bestError, GeneticTest::InitialError);
    EXPECT_EQ(test->generation, 1u);

    const std::string cut = dir.File("cut.idx");
    WriteFile(cut, Bytes(kTriangleFile.begin(), kTriangleFile.end() - 1));
    EXPECT_EQ(LoadProgress(*test, cut), LoadResult::Damaged);
    EXPECT_EQ(LoadProgress(*test, dir.File("missing.idx")), LoadResult::Unopened);
    EXPECT_EQ(LoadProgress(*test, dir.path), LoadResult::Unopened);  // a folder is no file

    // Bytes after the generation are never read, but they tell of damage: said, and the
    // resume re-scores the error the file claims.
    Bytes longer = kTriangleFile;
    longer.push_back(0x55);
    WriteFile(cut, longer);
    std::string note;
    EXPECT_EQ(LoadProgress(*test, cut, &note), LoadResult::Loaded);
    EXPECT_EQ(note, "1 bytes after its generation passed over");
    EXPECT_EQ(test->bestError, 123456789u);
    std::ostringstream said;
    ASSERT_TRUE(ResumeProgress(*test, cut, "t.bmp", said));
    EXPECT_EQ(said.str(), "Loading progresses from <" + cut + ">...\nProgress file <" + cut +
                              "> is damaged (1 bytes after its generation passed over); its error is re-scored.\n");
    EXPECT_EQ(test->bestError, test->RenderBest().Compare(*test->target));
    EXPECT_EQ(LoadProgress(*test, cut, &note), LoadResult::Loaded);
    WriteFile(cut, kTriangleFile);
    EXPECT_EQ(LoadProgress(*test, cut, &note), LoadResult::Loaded);
    EXPECT_EQ(note, "");
}

// A drawing with shapes held by parameters saves in a file of its own version (marked where
// the oldest form has its count) and loads back shape for shape; a kind, a version or a
// value this build cannot have is named, and the file refused.
TEST_F(ProgressFile, AKindsDrawingLoadsBackAndWhatThisBuildCannotReadIsNamed) {
    Shape ellipse;
    ellipse.kind = 4;
    ellipse.p = {10.25f, 5.5f, 3.0f, 2.0f};
    ASSERT_STREQ(KindOf(ellipse).Name(), "ellipse");
    test->best.polygons = {MakePolygon({{1, 2}, {30, 4}, {5, 9}}, 0x11223344u), DnaPolygon::Of(ellipse, 0x55667788u)};
    const std::string path = dir.File("kinds.idx");
    ASSERT_TRUE(SaveProgress(*test, path));
    const Bytes bytes = ReadFile(path);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 12), (Bytes{0xf0, 0xff, 0xff, 0xff, 2, 0, 0, 0, 2, 0, 0, 0}));
    ASSERT_EQ(LoadProgress(*test, path), LoadResult::Loaded);
    ASSERT_EQ(test->best.polygons.size(), 2u);
    EXPECT_TRUE(SamePolygon(test->best.polygons.front(), MakePolygon({{1, 2}, {30, 4}, {5, 9}}, 0x11223344u)));
    EXPECT_TRUE(test->best.polygons.back().AsShape() == ellipse);
    EXPECT_EQ(test->best.polygons.back().color, 0x55667788u);
    // The ellipse's kind number follows the polygon's (its kind, count, vertices and colour).
    const std::size_t kind = 12 + 4 + 4 + 3 * 4 + 4;
    ASSERT_EQ(bytes[kind], 4);
    for (const auto& [at, value, why] : std::vector<std::tuple<std::size_t, unsigned char, std::string>>{
             {kind, 99, "it holds a kind of shape this build does not know (number 99)"},
             {kind, 1, "it holds a kind of shape this build does not know (number 1)"},
             {4, 3, "it is of a later version (3) than this build reads"},
             {kind + 4 + 4 + 8 + 3, 0xbf, "it holds a shape (ellipse) beyond any picture's bounds"}}) {  // rx < 0
        Bytes damaged = bytes;
        damaged[at] = value;
        WriteFile(path, damaged);
        std::string note;
        EXPECT_EQ(LoadProgress(*test, path, &note), LoadResult::Damaged) << why;
        EXPECT_EQ(note, why);
    }
}

TEST_F(ProgressFile, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
    const std::string path = dir.File("keep.idx");
    WriteFile(path, kTriangleFile);
    // In a child limited to 20-byte files, so that writing the 76-byte file fails part way.
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{20, 20};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(SaveProgress(*test, path) ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save should have failed";
    EXPECT_EQ(ReadFile(path), kTriangleFile);
    int files = 0;
    DIR* d = opendir(dir.path.c_str());
    while (dirent* e = readdir(d)) files += e->d_name[0] != '.';
    closedir(d);
    EXPECT_EQ(files, 1);

    EXPECT_FALSE(SaveProgress(*test, dir.File("missing/keep.idx")));
    ASSERT_TRUE(SaveProgress(*test, path));  // and an unhindered save replaces it
    EXPECT_NE(ReadFile(path), kTriangleFile);

    // A killed save's temporary file goes with the next save to the same name; one whose
    // write is under way (its lock held), and other names', stay.
    for (const char* name : {"keep.idx.tmp.AbC123", "keep.idx.tmp.XyZ789", "keep.idx.tmp.longer1", "other.idx.tmp.AbC123"})
        WriteFile(dir.File(name), kTriangleFile);
    const int writing = open(dir.File("keep.idx.tmp.XyZ789").c_str(), O_RDONLY);
    ASSERT_EQ(flock(writing, LOCK_EX), 0);
    ASSERT_TRUE(SaveProgress(*test, path));
    close(writing);
    EXPECT_FALSE(FileExists(dir.File("keep.idx.tmp.AbC123")));
    for (const char* name : {"keep.idx.tmp.XyZ789", "keep.idx.tmp.longer1", "other.idx.tmp.AbC123"})
        EXPECT_TRUE(FileExists(dir.File(name))) << name;
}

TEST_F(ProgressFile, DamagedCopiesNeverOutgrowTheirInput) {
    for (int i = 0; i < 300; ++i) test->best.Mutate();
    const Bytes original = Save();
    std::srand(5);
    for (int round = 0; round < 4000; ++round) {
        Bytes bytes = original;
        const int kind = round % 4;
        if (kind == 0) {
            bytes.resize(std::size_t(std::rand()) % bytes.size());
        } else if (kind == 1) {
            for (int k = 0; k < 1 + std::rand() % 6; ++k)
                bytes[std::size_t(std::rand()) % bytes.size()] = (unsigned char)std::rand();
        } else if (kind == 2) {
            const std::size_t at = (std::size_t(std::rand()) % (bytes.size() / 4)) * 4;
            bytes[at] = bytes[at + 1] = bytes[at + 2] = 0xff;  // a count in the billions
            bytes[at + 3] = 0x7f;
        } else {
            bytes.assign(std::size_t(std::rand() % 64), 0);
            for (auto& b : bytes) b = (unsigned char)std::rand();
        }
        Load(bytes);
        std::size_t points = 0;
        for (const DnaPolygon& p : test->best.polygons) points += p.points.size();
        ASSERT_LE(test->best.polygons.size(), bytes.size() / 4 + 1) << round;
        ASSERT_LE(points, bytes.size() / 4 + 1) << round;
        Image canvas(320, 260);
        test->best.Render(canvas);  // whatever was read renders safely
    }
}

}  // namespace
