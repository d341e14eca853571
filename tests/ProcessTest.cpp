#include "TestSupport.h"

#include <gtest/gtest.h>


namespace {

const std::vector<std::string> kDummy = {"SDL_VIDEODRIVER=dummy"};

// A 24-bit BMP of the given size, all one grey, written by hand.
void WriteGreyBmp(const std::string& path, int w, int h) {
    const int rowBytes = (w * 3 + 3) & ~3;
    std::vector<unsigned char> b(54 + std::size_t(rowBytes) * std::size_t(h), 0x80);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xff;
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, std::uint32_t(b.size()));
    put32(6, 0);
    put32(10, 54);
    put32(14, 40);
    put32(18, std::uint32_t(w));
    put32(22, std::uint32_t(h));
    b[26] = 1;
    b[27] = 0;
    b[28] = 24;
    b[29] = 0;
    for (std::size_t at : {30, 34, 38, 42, 46, 50}) put32(at, 0);
    WriteFile(path, b);
}

TEST(Process, NoArgumentReportsAndFails) {
    const ProcessResult r = RunProcess({POLYEVOLVE_BIN}, kDummy);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "**** IMAGE NOT SPECIFIED ****!\n");
    EXPECT_EQ(r.out, "");
}

TEST(Process, UnloadableTargetsReportAndFail) {
    TempDir dir;
    WriteFile(dir.File("text.bmp"), {'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'});
    for (const std::string& target : {dir.File("missing.bmp"), dir.File("text.bmp")}) {
        const ProcessResult r = RunProcess({POLYEVOLVE_BIN, target}, kDummy);
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.err.rfind("Error in image creation: unable to load image (<" + target + ">: ", 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(Process, UnknownVideoDriverFailsToInitialise) {
    const ProcessResult r =
        RunProcess({POLYEVOLVE_BIN, POLYEVOLVE_SAMPLE}, {"SDL_VIDEODRIVER=no-such-driver"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "Unable to initialize SDL!\n");
    EXPECT_EQ(r.out, "");
}

TEST(Process, TargetsTooLargeForTheWindowOrCoordinatesAreRefused) {
    TempDir dir;
    for (const auto& size : std::vector<std::pair<int, int>>{{8192, 1}, {1, 32768}}) {
        const std::string path = dir.File("big.bmp");
        WriteGreyBmp(path, size.first, size.second);
        const ProcessResult r = RunProcess({POLYEVOLVE_BIN, path}, kDummy);
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.err, "Target image <" + path + "> is " + std::to_string(size.first) + " x " +
                             std::to_string(size.second) +
                             " pixels; at most 8191 x 32767 are supported.\n");
        EXPECT_EQ(r.out, "");
    }
}

ProcessResult RunBriefly(const std::vector<std::string>& argv, int millis) {
    return RunProcess(argv, kDummy, 30, millis);
}

TEST(Process, LargestSupportedWidthRunsAndQuitsCleanlyOnTerminate) {
    TempDir dir;
    WriteGreyBmp(dir.File("edge.bmp"), 8191, 2);
    const ProcessResult r = RunBriefly({POLYEVOLVE_BIN, dir.File("edge.bmp")}, 1500);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(Process, ExtraArgumentsIgnoreTheProgressFile) {
    TempDir dir;
    const ProcessResult r =
        RunBriefly({POLYEVOLVE_BIN, POLYEVOLVE_SAMPLE, dir.File("p.idx"), "extra"}, 800);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err.find("Loading progresses"), std::string::npos);
    const ProcessResult empty = RunBriefly({POLYEVOLVE_BIN, POLYEVOLVE_SAMPLE, ""}, 800);
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.err.find("Loading progresses"), std::string::npos);
}

TEST(Process, MissingProgressFileIsReportedAndTheRunGoesOn) {
    TempDir dir;
    const ProcessResult r = RunBriefly({POLYEVOLVE_BIN, POLYEVOLVE_SAMPLE, dir.File("none.idx")}, 800);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err.rfind("Loading progresses from <" + dir.File("none.idx") + ">...\n" +
                              "Unable to open progress file <" + dir.File("none.idx") +
                              ">; starting afresh.\n",
                          0),
              0u)
        << r.err;
}

}  // namespace

// A tiny picture's window tells of --zoom; a kernel set that cannot run is refused, by every
// program, in one line; the sample maker's --help tells its usage and draws nothing.
TEST(Process, SmallWordsForSmallSlips) {
    TempDir dir;
    WriteGreyBmp(dir.File("icon.bmp"), 40, 30);
    const ProcessResult tiny = RunProcess({POLYEVOLVE_BIN, dir.File("icon.bmp")}, kDummy, 30, 700);
    EXPECT_NE(tiny.err.find("Target image <" + dir.File("icon.bmp") + "> is 40 x 30 pixels: --zoom N shows it N times larger.\n"),
              std::string::npos)
        << tiny.err;
    const ProcessResult zoomed = RunProcess({POLYEVOLVE_BIN, dir.File("icon.bmp"), "--zoom", "4"}, kDummy, 30, 700);
    EXPECT_EQ(zoomed.err.find("--zoom"), std::string::npos) << zoomed.err;
    for (const std::string program : {POLYEVOLVE_BIN, POLYEVOLVE_BATCH_BIN}) {
        const ProcessResult bogus =
            RunProcess({program, POLYEVOLVE_SAMPLE}, {"SDL_VIDEODRIVER=dummy", "POLYEVOLVE_KERNELS=bogus"}, 30, 700);
        EXPECT_EQ(bogus.status, 2) << program;
        EXPECT_EQ(bogus.err.rfind("POLYEVOLVE_KERNELS=bogus: not plain, sse2 or avx2 (this processor runs ", 0), 0u)
            << bogus.err;
    }
    const std::string harbour = POLYEVOLVE_HARBOUR;  // SOURCE/samples/harbour.bmp
    const std::string source = harbour.substr(0, harbour.rfind('/', harbour.rfind('/') - 1));
    const std::string maker = source + "/tools/make_sample.py";
    const ProcessResult help = RunProcess({"/bin/sh", "-c", "cd '" + dir.path + "' && python3 '" + maker + "' --help"});
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_NE(help.out.find("make_sample.py --photo"), std::string::npos) << help.out;
    EXPECT_FALSE(FileExists(dir.File("--help")));
}

TEST(Process, ABadThreadCountIsReportedAndTheRunGoesOn) {
    for (const std::string bad : {"0", "many", "-2", "3x", "300"}) {
        const ProcessResult r = RunProcess({POLYEVOLVE_BIN, POLYEVOLVE_SAMPLE},
                                           {"SDL_VIDEODRIVER=dummy", "POLYEVOLVE_THREADS=" + bad},
                                           30, 700);
        EXPECT_EQ(r.status, 0) << bad;
        EXPECT_EQ(r.err.rfind("POLYEVOLVE_THREADS=" + bad + " is not a whole number from 1 to 256; using ", 0), 0u)
            << r.err;
    }
    const ProcessResult good = RunProcess({POLYEVOLVE_BIN, POLYEVOLVE_SAMPLE},
                                          {"SDL_VIDEODRIVER=dummy", "POLYEVOLVE_THREADS=2"}, 30, 700);
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.err.find("POLYEVOLVE_THREADS"), std::string::npos) << good.err;
}
