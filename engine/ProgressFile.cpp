#include "engine/ProgressFile.h"

#include "engine/GeneticTest.h"
#include "serial/Serializer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// mkstemp creates files readable by the owner only; give the new file the usual mode.
void UsualPermissions(int fd) {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
}

}  // namespace

bool SaveProgress(GeneticTest& test, const std::string& path) {
    std::string pattern = path + ".tmp.XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return false;
    UsualPermissions(fd);
    FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(temporary.data());
        return false;
    }
    bool written;
    {
        SerialSaver saver(file);
        saver & test;
        written = saver.good();
    }
    written = std::fflush(file) == 0 && written;
    written = fsync(fileno(file)) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (written && std::rename(temporary.data(), path.c_str()) == 0) return true;
    unlink(temporary.data());
    return false;
}

LoadResult LoadProgress(GeneticTest& test, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return LoadResult::Unopened;
    bool whole;
    {
        SerialLoader loader(file);
        loader & test;
        whole = loader.good();
        std::fclose(file);
    }
    if (whole) return LoadResult::Loaded;
    test.Restart();
    return LoadResult::Damaged;
}
