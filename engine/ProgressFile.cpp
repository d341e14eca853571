#include "engine/ProgressFile.h"

#include "engine/AtomicFile.h"
#include "engine/GeneticTest.h"
#include "serial/Serializer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <new>

bool SaveProgress(GeneticTest& test, const std::string& path) {
    return WriteAtomically(path, [&test](FILE* file) {
        SerialSaver saver(file);
        saver & test;
        return saver.good();
    });
}

LoadResult LoadProgress(GeneticTest& test, const std::string& path) {
    // Opened without blocking, so that a FIFO is refused instead of waiting for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return LoadResult::Unopened;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {  // a device, a folder, a FIFO
        close(fd);
        return LoadResult::Unopened;
    }
    if (info.st_size > off_t(kMaxProgressFileSize)) {
        close(fd);
        test.Restart();
        return LoadResult::Damaged;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* file = fdopen(fd, "rb");
    if (!file) {
        close(fd);
        return LoadResult::Unopened;
    }
    bool whole;
    try {
        SerialLoader loader(file);
        loader & test;
        whole = loader.good();
    } catch (const std::bad_alloc&) {
        // Counts that ask for more memory than there is: damage, like any other.
        whole = false;
    }
    std::fclose(file);
    if (whole) return LoadResult::Loaded;
    test.Restart();
    return LoadResult::Damaged;
}
