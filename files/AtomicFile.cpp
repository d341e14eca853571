#include "files/AtomicFile.h"

#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include <cerrno>
#include <vector>

// mkstemp creates files readable by the owner only; give the new file the usual mode.
void UsualPermissions(int fd) {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
}

namespace {

constexpr const char* kSuffix = ".tmp.XXXXXX";
constexpr std::size_t kNameMax = 255;  // bytes in one path component, on every common file system

}  // namespace

std::string TemporaryPattern(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameLength = slash == std::string::npos ? path.size() : path.size() - slash - 1;
    if (nameLength + std::char_traits<char>::length(kSuffix) <= kNameMax) return path + kSuffix;
    // The name leaves no room for the suffix: a short name in the same folder, so the
    // rename stays within one file system.
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    return folder + ".polyevolve" + kSuffix;
}

void RemoveLeftovers(const std::string& path) {
    const std::string pattern = TemporaryPattern(path);
    const std::size_t slash = pattern.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
    const std::string stem = pattern.substr(slash == std::string::npos ? 0 : slash + 1);
    const std::string prefix = stem.substr(0, stem.size() - 6);  // less the XXXXXX
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != stem.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string leftover = (slash == std::string::npos ? "" : folder) + name;
        const int fd = open(leftover.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat info;
        // A write under way holds its lock; a killed one's lock went with its process.
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0)
            unlink(leftover.c_str());
        close(fd);
    }
    closedir(dir);
}

bool WriteAtomically(const std::string& path, const std::function<bool(FILE*)>& write) {
    const int savedErrno = errno;
    RemoveLeftovers(path);
    errno = savedErrno;
    const std::string pattern = TemporaryPattern(path);
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return false;
    // Held until the file is closed: the mark of a write under way, which RemoveLeftovers
    // in another run leaves alone.
    flock(fd, LOCK_EX);
    UsualPermissions(fd);
    FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(temporary.data());
        return false;
    }
    bool written = write(file);
    written = std::fflush(file) == 0 && written;
    written = !std::ferror(file) && written;
    written = fsync(fileno(file)) == 0 && written;
    // Renamed while still open and locked, so no other writer's clean-up takes it meanwhile.
    const bool renamed = written && std::rename(temporary.data(), path.c_str()) == 0;
    if (!renamed) unlink(temporary.data());
    const int saved = errno;
    std::fclose(file);
    errno = saved;
    return renamed;
}
