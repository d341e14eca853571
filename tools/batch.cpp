// Headless runner: the program's evolution without a window, for measurements and scripts.
// polyevolve-batch TARGET.bmp --seed N --iterations N [--resume FILE.idx] [--save PREFIX]
//                  [--evaluator plain|fast] [--threads N]

#include "engine/OutputFiles.h"
#include "engine/Evaluator.h"
#include "engine/GeneticTest.h"
#include "engine/Target.h"
#include "genome/Random.h"
#include "image/Image.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

namespace {

const char* const kUsage =
    "usage: polyevolve-batch TARGET.bmp --seed N --iterations N [--resume FILE.idx] "
    "[--save PREFIX] [--evaluator plain|fast] [--threads N]\n";

bool ParseNumber(const std::string& text, unsigned long long max, unsigned long long& out) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    char* end = nullptr;
    out = std::strtoull(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && out <= max;
}

struct Options {
    std::string target, resume, save;
    unsigned long long seed = 0, iterations = 0;
    EvaluatorKind evaluator = EvaluatorKind::Fast;
    unsigned long long threads = 0;  // 0: one per online core
};

bool Parse(int argc, char** argv, Options& o) {
    bool haveSeed = false, haveIterations = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seed" && hasValue) {
            if (!ParseNumber(argv[++i], 0xffffffffull, o.seed)) return false;
            haveSeed = true;
        } else if (arg == "--iterations" && hasValue) {
            if (!ParseNumber(argv[++i], ~0ull, o.iterations)) return false;
            haveIterations = true;
        } else if (arg == "--resume" && hasValue) {
            o.resume = argv[++i];
        } else if (arg == "--save" && hasValue) {
            o.save = argv[++i];
        } else if (arg == "--threads" && hasValue) {
            if (!ParseNumber(argv[++i], 256, o.threads) || o.threads == 0) return false;
        } else if (arg == "--evaluator" && hasValue) {
            if (!ParseEvaluatorKind(argv[++i], o.evaluator)) return false;
        } else if (arg.rfind("--", 0) != 0 && o.target.empty()) {
            o.target = arg;
        } else {
            return false;
        }
    }
    return haveSeed && haveIterations && !o.target.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!Parse(argc, argv, options)) {
        std::cerr << kUsage;
        return 2;
    }
    const std::unique_ptr<Image> target = LoadTarget(options.target, std::cerr);
    if (!target) return 1;
    UseTargetSize(*target);
    draws::Seed(static_cast<unsigned>(options.seed));

    GeneticTest test(target.get());
    if (!test.canvas.surface) {
        std::cerr << "Unable to create the canvas!\n";
        return 1;
    }
    if (!options.resume.empty()) ResumeProgress(test, options.resume, std::cerr);

    const int threads = options.threads ? int(options.threads) : DefaultThreads();
    const auto evaluator = MakeEvaluator(options.evaluator, threads);
    const auto begun = std::chrono::steady_clock::now();
    for (unsigned long long i = 0; i < options.iterations; ++i) evaluator->Evolve(test);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();

    evaluator->Settle();  // the save draws as a one-thread run's would
    int status = 0;
    if (!options.save.empty()) {
        if (!SaveProgressCommand(test, options.save, std::cerr)) status = 1;
        if (!SavePictureCommand(test, options.save, std::cerr)) status = 1;
        if (!SaveSvgCommand(test, options.save + ".svg", std::cerr)) status = 1;
    }
    const double ips = seconds > 0 ? double(options.iterations) / seconds : 0.0;
    std::cout << "iterations:" << options.iterations << " seconds:" << seconds
              << " ips:" << static_cast<std::uint64_t>(ips) << " error:" << test.bestError
              << " generation:" << test.generation << " polygons:" << test.best.polygons.size()
              << "\n";
    return status;
}
