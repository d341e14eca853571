#include "TestSupport.h"

#include "engine/Evolution.h"
#include "engine/GeneticTest.h"
#include "genome/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>

namespace {

// The "name:value" fields of the batch runner's line.
std::map<std::string, std::string> Fields(const std::string& line) {
    std::map<std::string, std::string> fields;
    std::istringstream in(line);
    std::string word;
    while (in >> word) {
        const auto colon = word.find(':');
        if (colon != std::string::npos) fields[word.substr(0, colon)] = word.substr(colon + 1);
    }
    return fields;
}

ProcessResult Batch(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {POLYEVOLVE_BATCH_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv);
}

TEST(Batch, SameSeedSameTrajectoryAsTheSharedIteration) {
    const ProcessResult a = Batch({POLYEVOLVE_SAMPLE, "--seed", "42", "--iterations", "400"});
    const ProcessResult b = Batch({"--iterations", "400", "--seed", "42", POLYEVOLVE_SAMPLE});
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    auto fa = Fields(a.out), fb = Fields(b.out);
    EXPECT_EQ(fa["iterations"], "400");
    EXPECT_EQ(fa["error"], fb["error"]);
    EXPECT_EQ(fa["generation"], "401");
    EXPECT_EQ(fa["polygons"], fb["polygons"]);
    EXPECT_TRUE(fa.count("seconds") && fa.count("ips"));

    SettingsGuard guard;
    Image target{std::string(POLYEVOLVE_SAMPLE)};
    Settings::ScreenWidth = target.Width();
    Settings::ScreenHeight = target.Height();
    std::srand(42);
    GeneticTest test(&target);
    for (int i = 0; i < 400; ++i) Evolve(test);
    EXPECT_EQ(fa["error"], std::to_string(test.bestError));
    EXPECT_EQ(fa["polygons"], std::to_string(test.best.polygons.size()));
}

TEST(Batch, EveryEvaluatorAndThreadCountWritesTheSameFiles) {
    TempDir dir;
    const std::vector<std::vector<std::string>> ways = {
        {"--evaluator", "plain"}, {"--evaluator", "fast", "--threads", "1"}, {"--threads", "3"}};
    std::vector<std::map<std::string, std::string>> lines;
    for (std::size_t k = 0; k < ways.size(); ++k) {
        std::vector<std::string> args = {POLYEVOLVE_SAMPLE, "--seed", "5", "--iterations", "1500",
                                         "--save", dir.File(std::to_string(k))};
        args.insert(args.end(), ways[k].begin(), ways[k].end());
        const ProcessResult r = Batch(args);
        ASSERT_EQ(r.status, 0) << r.err;
        lines.push_back(Fields(r.out));
    }
    EXPECT_FALSE(ReadFile(dir.File("0.idx")).empty());
    for (std::size_t k = 1; k < ways.size(); ++k) {
        EXPECT_EQ(lines[0]["error"], lines[k]["error"]);
        EXPECT_EQ(lines[0]["generation"], lines[k]["generation"]);
        for (const char* suffix : {".idx", ".out.bmp", ".svg"})
            EXPECT_EQ(ReadFile(dir.File("0") + suffix), ReadFile(dir.File(std::to_string(k)) + suffix))
                << ways[k][1] << suffix;
    }
}

TEST(Batch, BadArgumentsGetTheUsageLine) {
    const std::string usage =
        "usage: polyevolve-batch TARGET.bmp --seed N --iterations N [--resume FILE.idx] "
        "[--save PREFIX] [--evaluator plain|fast] [--threads N]\n";
    for (const auto& args : std::vector<std::vector<std::string>>{
             {},
             {POLYEVOLVE_SAMPLE, "--seed", "1"},
             {POLYEVOLVE_SAMPLE, "--seed", "x1", "--iterations", "5"},
             {POLYEVOLVE_SAMPLE, "--seed", "1", "--iterations", "-5"},
             {POLYEVOLVE_SAMPLE, "--seed", "99999999999", "--iterations", "5"},
             {POLYEVOLVE_SAMPLE, "--seed", "1", "--iterations", "5", "--fast"},
             {POLYEVOLVE_SAMPLE, "--seed", "1", "--iterations"},
             {POLYEVOLVE_SAMPLE, "--seed", "1", "--iterations", "5", "--evaluator", "quick"},
             {POLYEVOLVE_SAMPLE, "--seed", "1", "--iterations", "5", "--evaluator"},
             {POLYEVOLVE_SAMPLE, "--seed", "1", "--iterations", "5", "--threads", "0"},
             {POLYEVOLVE_SAMPLE, "--seed", "1", "--iterations", "5", "--threads", "two"},
             {POLYEVOLVE_SAMPLE, "--seed", "1", "--iterations", "5", "--threads", "257"},
         }) {
        const ProcessResult r = Batch(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, usage);
        EXPECT_EQ(r.out, "");
    }
    const ProcessResult missing = Batch({"/no/such.bmp", "--seed", "1", "--iterations", "1"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Error in image creation: unable to load image\n");
}

TEST(Batch, SaveWritesBothFilesFromOneDrawingAndResumeContinues) {
    TempDir dir;
    const std::string prefix = dir.File("run");
    const ProcessResult first =
        Batch({POLYEVOLVE_SAMPLE, "--seed", "7", "--iterations", "300", "--save", prefix});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.err, "Saved progresses to <" + prefix + ".idx>.\nSaved BMP to <" + prefix +
                             ".out.bmp>.\nSaved SVG to <" + prefix + ".svg>.\n");
    const auto saved = Fields(first.out);

    // The picture is the saved drawing: its error is the one in the progress file.
    const ProcessResult score =
        RunProcess({POLYEVOLVE_COMPARE_BIN, prefix + ".out.bmp", POLYEVOLVE_SAMPLE});
    ASSERT_EQ(score.status, 0) << score.err;
    EXPECT_EQ(Fields(score.out)["error"], saved.at("error"));
    const std::vector<unsigned char> idx = ReadFile(prefix + ".idx");
    ASSERT_GE(idx.size(), 16u);
    unsigned long long stored = 0;
    for (int i = 7; i >= 0; --i) stored = (stored << 8) | idx[idx.size() - 12 + std::size_t(i)];
    EXPECT_EQ(std::to_string(stored), saved.at("error"));

    const ProcessResult resumed =
        Batch({POLYEVOLVE_SAMPLE, "--seed", "8", "--iterations", "10", "--resume", prefix + ".idx"});
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_EQ(resumed.err, "Loading progresses from <" + prefix + ".idx>...\n");
    const auto after = Fields(resumed.out);
    EXPECT_EQ(after.at("generation"), "311");
    EXPECT_LE(std::stoull(after.at("error")), stored);
}

TEST(Batch, DamagedResumeStartsAfresh) {
    TempDir dir;
    WriteFile(dir.File("bad.idx"), {1, 2, 3});
    const ProcessResult r = Batch(
        {POLYEVOLVE_SAMPLE, "--seed", "3", "--iterations", "5", "--resume", dir.File("bad.idx")});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Loading progresses from <" + dir.File("bad.idx") + ">...\nProgress file <" +
                         dir.File("bad.idx") + "> is damaged; starting afresh.\n");
    EXPECT_EQ(Fields(r.out).at("generation"), "6");
}

}  // namespace
