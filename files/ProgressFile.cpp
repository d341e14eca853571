#include "files/ProgressFile.h"

#include "files/AtomicFile.h"
#include "evolve/GeneticTest.h"
#include "serial/Serializer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <new>
#include <stdexcept>

bool SaveProgress(GeneticTest& test, const std::string& path) {
    return WriteAtomically(path, [&test](FILE* file) {
        SerialSaver saver(file);
        saver & test;
        return saver.good();
    });
}

namespace {

// Opens a regular file for reading, or gives -1: a device, a folder or a FIFO is no progress
// file. Opened without blocking, so that a FIFO is refused instead of waiting for a writer.
int OpenRegularFile(const std::string& path, struct stat& info) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

LoadResult LoadProgress(GeneticTest& test, const std::string& path, std::string* note) {
    struct stat info;
    const int fd = OpenRegularFile(path, info);
    if (fd < 0) return LoadResult::Unopened;
    std::string reason;
    if (note) note->clear();
    const auto damaged = [&test, note](const std::string& what) {
        if (note) *note = what;
        test.Restart();
        return LoadResult::Damaged;
    };
    if (info.st_size > off_t(kMaxProgressFileSize)) {
        close(fd);
        return damaged("larger than any drawing the limits allow");
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* file = fdopen(fd, "rb");
    if (!file) {
        close(fd);
        return LoadResult::Unopened;
    }
    try {
        SerialLoader loader(file);
        loader & test;
        if (!loader.good()) reason = "it ends early";
    } catch (const std::bad_alloc&) {
        // Counts that ask for more memory than there is: damage, like any other.
        reason = "its counts ask for more memory than there is";
    } catch (const std::runtime_error& e) {
        reason = e.what();  // a kind of shape, or a version, this build does not know
    }
    const long end = std::ftell(file);
    std::fclose(file);
    if (!reason.empty()) return damaged(reason);
    if (end != long(info.st_size) && note)
        *note = std::to_string(info.st_size - end) + " bytes after its generation passed over";
    return LoadResult::Loaded;
}

bool StoredError(const std::string& path, unsigned long long& error) {
    struct stat info;
    const int fd = OpenRegularFile(path, info);
    if (fd < 0) return false;
    unsigned char tail[GeneticTest::kTailBytes];
    const bool read = info.st_size >= GeneticTest::kSmallestFile &&
                      pread(fd, tail, sizeof tail, info.st_size - off_t(sizeof tail)) == ssize_t(sizeof tail);
    close(fd);
    if (read) error = GeneticTest::ErrorInTail(tail);
    return read;
}

bool CopyFileAtomically(const std::string& from, const std::string& to) {
    FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) return false;
    std::string bytes;
    char buffer[1 << 16];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes.append(buffer, got);
    const bool whole = !std::ferror(in);
    std::fclose(in);
    return whole && WriteAtomically(to, [&bytes](FILE* out) {
        return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    });
}
