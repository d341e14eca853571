#include "files/AtomicFile.h"

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

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

bool WriteAtomically(const std::string& path, const std::function<bool(FILE*)>& write) {
    const std::string pattern = TemporaryPattern(path);
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
    bool written = write(file);
    written = std::fflush(file) == 0 && written;
    written = !std::ferror(file) && written;
    written = fsync(fileno(file)) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (written && std::rename(temporary.data(), path.c_str()) == 0) return true;
    unlink(temporary.data());
    return false;
}
