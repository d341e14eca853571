#include "tools/BatchFolder.h"

#include "tools/BatchProgress.h"
#include "tools/BatchRun.h"

#include "evolve/Evaluator.h"
#include "files/OutputFiles.h"
#include "image/PictureDecoder.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <map>

namespace {

// One line for the whole run on standard error: rewritten on a terminal, else at each tenth.
class FolderProgress {
public:
    FolderProgress(std::size_t total, bool quiet) : total(total), quiet(quiet), terminal(isatty(STDERR_FILENO) == 1) {}
    void Update(std::size_t done, std::size_t failed, double seconds, bool last = false) {
        if (quiet) return;
        const std::size_t finished = done + failed, left = total - finished;
        if (!terminal && !last && finished * 10 / total == shown) return;
        shown = finished * 10 / total;
        const double rate = seconds > 0 ? double(finished) / seconds : 0;
        char text[200];
        std::snprintf(text, sizeof text, "pictures done:%zu failed:%zu left:%zu rate:%.1f/s elapsed:%s", done, failed,
                      left, rate, Duration(seconds).c_str());
        std::string line = text;
        if (rate > 0 && left > 0) line += " left:" + Duration(double(left) / rate);
        std::cerr << (terminal ? "\r" : "") << line << (terminal && !last ? "\033[K" : "\n") << std::flush;
    }

private:
    std::size_t total;
    bool quiet, terminal;
    std::size_t shown = 0;
};

// The child's part: one target, as a single run, in a process of its own.
[[noreturn]] void RunChild(BatchOptions options, const std::string& target, unsigned threads,
                           const std::function<int(BatchOptions&)>& runOne) {
    options.targets.clear();
    options.target = target;
    const std::string prefix = PrefixInFolder(options.save, target);
    options.save = prefix;
    if (!options.force && ProgressFileExists(prefix + ".idx")) options.resume = prefix + ".idx";
    if (!options.run.threads) options.run.threads = threads;
    options.quiet = true;
    options.tellSaves = false;
    const int status = runOne(options);
    std::cout.flush();
    std::cerr.flush();
    _exit(status);
}

}  // namespace

int RunFolder(const BatchOptions& options, const std::function<int(BatchOptions&)>& runOne) {
    const std::vector<std::string>& targets = options.targets;
    mkdir(options.save.c_str(), 0777);  // where it does not exist yet; a save there says otherwise
    const int cores = DefaultThreads();
    const int slots = std::max(1, std::min(cores, int(targets.size())));
    const unsigned threads = unsigned(std::max(1, cores / slots));
    PrepareDecoders();
    CatchStops();
    FolderProgress progress(targets.size(), options.quiet);
    const auto begun = std::chrono::steady_clock::now();
    const auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count(); };
    std::map<pid_t, std::string> running;
    std::size_t next = 0, done = 0, failed = 0, stopped = 0;
    bool forwarded = false;
    while (next < targets.size() || !running.empty()) {
        while (!StopSignal() && next < targets.size() && int(running.size()) < slots) {
            std::cout.flush();
            const pid_t child = fork();
            if (child == 0) RunChild(options, targets[next], threads, runOne);
            if (child < 0) {
                std::cerr << "Target image <" << targets[next] << "> was not started: no process for it\n";
                ++failed;
            } else {
                running[child] = targets[next];
            }
            ++next;
        }
        if (StopSignal() && !forwarded) {
            // Each picture in hand ends after its iteration, with its saves; no new one starts.
            for (const auto& [pid, target] : running) kill(pid, StopSignal());
            forwarded = true;
            next = targets.size();
        }
        if (running.empty()) continue;
        int status = 0;
        const pid_t ended = waitpid(-1, &status, 0);
        if (ended < 0) continue;  // a signal: told above
        running.erase(ended);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
            ++done;
        else if (WIFSIGNALED(status) && (WTERMSIG(status) == SIGINT || WTERMSIG(status) == SIGTERM))
            ++stopped;
        else
            ++failed;
        if (next < targets.size() || !running.empty()) progress.Update(done, failed, elapsed());
    }
    progress.Update(done, failed, elapsed(), true);
    std::cout << "pictures:" << targets.size() << " done:" << done << " failed:" << failed << " stopped:" << stopped
              << " not_started:" << targets.size() - done - failed - stopped << " seconds:" << elapsed()
              << " folder:" << options.save << "\n" << std::flush;
    return failed > 0 ? 1 : 0;
}
