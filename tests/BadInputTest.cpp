#include "TestSupport.h"

#include "evolve/GeneticTest.h"
#include "files/ProgressFile.h"
#include "files/Target.h"
#include "genome/Settings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

// Damaged and unusual input found by fuzzing: each is refused or reported, and costs little.

namespace {


void Put32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = static_cast<unsigned char>(v >> (8 * i));
}

// A BMP file header and info header for the given size and depth; pixel bytes follow.
std::vector<unsigned char> BmpHeader(std::int32_t w, std::int32_t h, int bits, std::size_t data) {
    std::vector<unsigned char> b(54 + data, 0x5a);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, std::uint32_t(b.size()));
    Put32(b, 6, 0);
    Put32(b, 10, 54);
    Put32(b, 14, 40);
    Put32(b, 18, std::uint32_t(w));
    Put32(b, 22, std::uint32_t(h));
    b[26] = 1;
    b[27] = 0;
    b[28] = static_cast<unsigned char>(bits);
    b[29] = 0;
    Put32(b, 30, 0);  // no compression
    Put32(b, 34, std::uint32_t(data));
    Put32(b, 38, 2835);
    Put32(b, 42, 2835);
    Put32(b, 46, 0);
    Put32(b, 50, 0);
    return b;
}

// The batch runner under a shell's limits ("ulimit -v 102400", say); SIGXFSZ ignored so a
// file size limit shows as a failed write.
ProcessResult BatchUnder(const std::string& limits, const std::vector<std::string>& args) {
    std::string command = "trap '' XFSZ; " + limits + " && exec '" POLYEVOLVE_BATCH_BIN "'";
    for (const std::string& a : args) command += " '" + a + "'";
    return RunProcess({"/bin/bash", "-c", command});
}

TEST(BadInput, ATargetOfEightBytesAPixelIsRefusedNotRunAgainstBlack) {
    TempDir dir;
    const std::string path = dir.File("deep.bmp");
    WriteFile(path, BmpHeader(4, 3, 64, 4 * 3 * 8));
    std::ostringstream err;
    EXPECT_EQ(LoadTarget(path, err), nullptr);
    EXPECT_EQ(err.str(), "Error in image creation: unable to load image (<" + path + ">: 8 bytes a pixel)\n");
    const ProcessResult r = RunProcess({POLYEVOLVE_BATCH_BIN, path, "--seed", "1", "--iterations", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, err.str());
}

TEST(BadInput, AHugeTargetIsRefusedFromItsHeaderAlone) {
    TempDir dir;
    const std::string path = dir.File("huge.bmp");
    WriteFile(path, BmpHeader(16383, -32767, 24, 4096));  // top-down rows: negative height
    const std::string message =
        "Target image <" + path + "> is 16383 x 32767 pixels; at most 8191 x 32767 are supported.\n";
    std::ostringstream err;
    EXPECT_EQ(LoadTarget(path, err), nullptr);
    EXPECT_EQ(err.str(), message);
    if (kSanitized) GTEST_SKIP() << "the address space limit needs a build without ASan";
    // Decoding it would take gigabytes; the refusal fits in 400 MB, the decoders' libraries included.
    const ProcessResult r =
        BatchUnder("ulimit -v 409600", {path, "--seed", "1", "--iterations", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, message);
}

TEST(BadInput, OnlyARegularFileIsAProgressFile) {
    TempDir dir;
    const std::string fifo = dir.File("pipe.idx");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {std::string("/dev/urandom"), fifo, dir.path}) {
        // In a process of its own: a read that never ends must fail the test, not hang it.
        const ProcessResult r = RunProcess(
            {POLYEVOLVE_BATCH_BIN, POLYEVOLVE_SAMPLE, "--seed", "1", "--iterations", "3", "--resume", path},
            {}, 30);
        EXPECT_EQ(r.status, 0) << path;
        EXPECT_NE(r.err.find("Unable to open progress file <" + path + ">; starting afresh.\n"),
                  std::string::npos)
            << r.err;
    }
}

TEST(BadInput, ProgressFilesTooLargeOrTooGreedyAreDamage) {
    SettingsGuard guard;
    TempDir dir;
    Image target(20, 20);
    UseTargetSize(target);
    std::srand(3);
    GeneticTest test(&target);
    // Larger than any drawing of ours: refused before a byte is read.
    const std::string large = dir.File("large.idx");
    WriteFile(large, {});
    ASSERT_EQ(truncate(large.c_str(), off_t(kMaxProgressFileSize) + 1), 0);
    test.bestError = 5;
    EXPECT_EQ(LoadProgress(test, large), LoadResult::Damaged);
    EXPECT_EQ(test.bestError, GeneticTest::InitialError);  // restarted
    // The largest drawings the limits allow are no damage: 5 000 polygons of 1 000 vertices.
    {
        GeneticTest big(&target);
        std::vector<std::pair<short, short>> ring(1000);
        for (int i = 0; i < 1000; ++i) ring[std::size_t(i)] = {short(i % 20), short(i / 50)};
        const DnaPolygon polygon = MakePolygon(ring, 0x10203040u);
        big.best.polygons.assign(5000, polygon);
        ASSERT_TRUE(SaveProgress(big, dir.File("big.idx")));
        big.best.polygons.clear();
        ASSERT_EQ(LoadProgress(big, dir.File("big.idx")), LoadResult::Loaded);
        EXPECT_EQ(big.best.polygons.size(), 5000u);
        EXPECT_EQ(big.best.polygons.back().points.size(), 1000u);
    }

    // Counts of 0xffffffff and 8 MB of vertices: more than 200 MB would hold, reported as
    // damage instead of ending the program.
    std::vector<unsigned char> greedy(8 + (8u << 20), 0x07);
    Put32(greedy, 0, 0xffffffffu);
    Put32(greedy, 4, 0xffffffffu);
    const std::string path = dir.File("greedy.idx");
    WriteFile(path, greedy);
    if (kSanitized) GTEST_SKIP() << "the address space limit needs a build without ASan";
    const ProcessResult r = BatchUnder(
        "ulimit -v 204800",
        {POLYEVOLVE_SAMPLE, "--seed", "1", "--iterations", "3", "--resume", path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Progress file <" + path + "> is damaged (its counts ask for more memory than there is); starting afresh.\n"),
              std::string::npos)
        << r.err;
}

TEST(BadInput, AFailedPictureSaveKeepsTheOldPicture) {
    TempDir dir;
    const std::string prefix = dir.File("run");
    const std::vector<unsigned char> old(50000, 'p');
    WriteFile(prefix + ".out.png", old);
    // Files of at most 1 KiB: the progress file, its record and the SVG fit, the picture does not.
    const ProcessResult r = BatchUnder(
        "ulimit -f 1", {POLYEVOLVE_SAMPLE, "--seed", "1", "--iterations", "20", "--save", prefix});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Saved progresses to <" + prefix + ".idx>.\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Unable to save PNG to <" + prefix + ".out.png> (File too large).\n"), std::string::npos)
        << r.err;
    EXPECT_EQ(ReadFile(prefix + ".out.png"), old);
    // Nothing is left beside it.
    const ProcessResult listing = RunProcess({"/bin/ls", "-A", dir.path});
    EXPECT_EQ(listing.out, "run.idx\nrun.json\nrun.out.png\nrun.out.svg\n");
}

// Timed saves and frames that keep failing (here: no file may grow) say so once, with the
// reason, not a line a save.
TEST(BadInput, SavesThatKeepFailingSaySoOnce) {
    TempDir dir;
    const std::string prefix = dir.File("run");
    // Files of at most 1 KiB: the first saves go well, those of a fuller drawing fail.
    const ProcessResult r = BatchUnder("ulimit -f 1", {POLYEVOLVE_SAMPLE, "--search", "shapes", "--seed", "1",
                                                       "--iterations", "5000", "--autosave", "0.01", "--save",
                                                       prefix, "--frames", dir.File("f%d.png"), "--every", "20",
                                                       "--quiet"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.find("libpng"), std::string::npos) << r.err;
    auto count = [&r](const std::string& line) {
        int n = 0;
        for (std::size_t at = r.err.find(line); at != std::string::npos; at = r.err.find(line, at + 1)) ++n;
        return n;
    };
    // Once while it runs, once at the end.
    EXPECT_EQ(count("Unable to save progresses to <" + prefix + ".idx> (File too large).\n"), 2) << r.err;
    EXPECT_EQ(count("(File too large); said again only for another reason.\n"), 1) << r.err;
    EXPECT_EQ(count("Unable to save PNG to <" + prefix + ".out.png> (File too large).\n"), 1) << r.err;
}

TEST(BadInput, ProgressFilesWithLongNamesSave) {
    SettingsGuard guard;
    TempDir dir;
    Image target(20, 20);
    UseTargetSize(target);
    std::srand(4);
    GeneticTest test(&target);
    test.bestError = 777;
    const std::string path = dir.File(std::string(246, 'n') + ".idx");  // 250 bytes
    ASSERT_TRUE(SaveProgress(test, path));
    GeneticTest back(&target);
    ASSERT_EQ(LoadProgress(back, path), LoadResult::Loaded);
    EXPECT_EQ(back.bestError, 777u);
    const ProcessResult listing = RunProcess({"/bin/ls", "-A", dir.path});
    EXPECT_EQ(listing.out, std::string(246, 'n') + ".idx\n");
}

}  // namespace
