#include "TestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <iterator>
#include <new>
#include <thread>

Uint32 PixelAt(const Image& image, int x, int y) {
    const auto* row = static_cast<const Uint8*>(image.surface->pixels) + y * image.surface->pitch;
    return reinterpret_cast<const Uint32*>(row)[x];
}

Rgb RgbAt(const Image& image, int x, int y) {
    const Uint32 p = PixelAt(image, x, y);
    return Rgb{int(p >> 24), int((p >> 16) & 0xff), int((p >> 8) & 0xff)};
}

void SetPixel(Image& image, int x, int y, Rgb c, int alpha) {
    auto* row = static_cast<Uint8*>(image.surface->pixels) + y * image.surface->pitch;
    reinterpret_cast<Uint32*>(row)[x] =
        (Uint32(c.r) << 24) | (Uint32(c.g) << 16) | (Uint32(c.b) << 8) | Uint32(alpha);
}

void Fill(Image& image, Rgb c, int alpha) {
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) SetPixel(image, x, y, c, alpha);
}

Image Filled(int w, int h, Rgb c, int alpha) {
    Image image(w, h);
    Fill(image, c, alpha);
    return image;
}

std::vector<int> PaintedColumns(const Image& image, int y) {
    std::vector<int> columns;
    for (int x = 0; x < image.Width(); ++x)
        if ((PixelAt(image, x, y) & 0xff) == 0xff) columns.push_back(x);
    return columns;
}

TempDir::TempDir() {
    char pattern[] = "/tmp/polyevolve-test-XXXXXX";
    path = mkdtemp(pattern);
}

TempDir::~TempDir() {
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            const std::string full = path + "/" + name;
            chmod(full.c_str(), 0700);
            if (unlink(full.c_str()) != 0) {
                // A sub-folder the test made read-only: empty it one level deep.
                if (DIR* sub = opendir(full.c_str())) {
                    while (dirent* e = readdir(sub)) {
                        const std::string n = e->d_name;
                        if (n != "." && n != "..") unlink((full + "/" + n).c_str());
                    }
                    closedir(sub);
                }
                rmdir(full.c_str());
            }
        }
        closedir(dir);
    }
    rmdir(path.c_str());
}

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

namespace {
std::string Slurp(int fd) {
    std::string text;
    lseek(fd, 0, SEEK_SET);
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, std::size_t(n));
    return text;
}
}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         int seconds, int terminateAfterMs) {
    ProcessResult result;
    char outName[] = "/tmp/polyevolve-out-XXXXXX";
    char errName[] = "/tmp/polyevolve-err-XXXXXX";
    const int outFd = mkstemp(outName);
    const int errFd = mkstemp(errName);
    unlink(outName);
    unlink(errName);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outFd, 1);
        dup2(errFd, 2);
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, 0);
        for (const std::string& entry : env) putenv(const_cast<char*>(entry.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    const auto begun = std::chrono::steady_clock::now();
    const auto deadline = begun + std::chrono::seconds(seconds);
    bool terminated = false;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        const auto now = std::chrono::steady_clock::now();
        if (!terminated && terminateAfterMs >= 0 &&
            now > begun + std::chrono::milliseconds(terminateAfterMs)) {
            kill(pid, SIGTERM);
            terminated = true;
        }
        if (now > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = Slurp(outFd);
    result.err = Slurp(errFd);
    close(outFd);
    close(errFd);
    return result;
}

#include "genome/DnaDrawing.h"
#include "genome/Settings.h"

namespace {
int* const kAllSettings[] = {
    &Settings::PointMaxMutation, &Settings::PointMidMutation, &Settings::PointMinMutation,
    &Settings::AlphaMutation,    &Settings::DelPointMutation, &Settings::AddPointMutation,
    &Settings::DelPolyMutation,  &Settings::MovePolyMutation, &Settings::AddPolyMutation,
    &Settings::ComponentMutation, &Settings::PointSmallMovement, &Settings::PointMidMovement,
    &Settings::AlphaMax,         &Settings::AlphaMin,         &Settings::MaxPolygons,
    &Settings::MinPolygons,      &Settings::MinPoints,        &Settings::MaxPoints,
    &Settings::ScreenWidth,      &Settings::ScreenHeight,     &Settings::Background,
};
}  // namespace

SettingsGuard::SettingsGuard() {
    for (int* s : kAllSettings) saved_.push_back(*s);
}

SettingsGuard::~SettingsGuard() {
    std::size_t i = 0;
    for (int* s : kAllSettings) *s = saved_[i++];
}

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

bool SamePolygon(const DnaPolygon& a, const DnaPolygon& b) {
    if (a.color != b.color || a.points.size() != b.points.size()) return false;
    auto q = b.points.begin();
    for (const DnaPoint& p : a.points) {
        if (p.x != q->x || p.y != q->y) return false;
        ++q;
    }
    return true;
}

bool SameDrawing(const DnaDrawing& a, const DnaDrawing& b) {
    if (a.polygons.size() != b.polygons.size()) return false;
    auto q = b.polygons.begin();
    for (const DnaPolygon& p : a.polygons) {
        if (!SamePolygon(p, *q)) return false;
        ++q;
    }
    return true;
}

DnaPolygon MakePolygon(const std::vector<std::pair<short, short>>& vertices, unsigned color) {
    DnaPolygon polygon;
    polygon.points.clear();
    for (const auto& v : vertices) polygon.points.emplace_back(v.first, v.second);
    polygon.color = color;
    return polygon;
}

// The test program's own operator new, which counts, so that tests can show where the heap is
// not touched.
namespace {
thread_local std::uint64_t allocations = 0;
}  // namespace

std::uint64_t AllocationsOnThisThread() { return allocations; }

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, std::align_val_t align) {
    ++allocations;
    const std::size_t a = std::size_t(align);
    if (void* p = std::aligned_alloc(a, (std::max<std::size_t>(size, 1) + a - 1) / a * a)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
