#pragma once

#include "image/Image.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // reserves terabytes of address space: no ulimit -v
#else
constexpr bool kSanitized = false;
#endif

// Pixel access in the program's layout, for building and inspecting test images.
struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

Uint32 PixelAt(const Image& image, int x, int y);
Rgb RgbAt(const Image& image, int x, int y);
void SetPixel(Image& image, int x, int y, Rgb c, int alpha = 0);
void Fill(Image& image, Rgb c, int alpha = 0);
// A new w x h image of one colour.
Image Filled(int w, int h, Rgb c, int alpha = 0);
// Columns painted (alpha byte 0xff) in row y, after a fill with pixel value 0.
std::vector<int> PaintedColumns(const Image& image, int y);

// A fresh directory under the system's temporary folder, removed with its files on exit.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string File(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

std::vector<unsigned char> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes);
bool FileExists(const std::string& path);

// Result of running a program as a separate process.
struct ProcessResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs argv with extra environment entries ("NAME=value"); killed after `seconds`. With
// terminateAfterMs >= 0 it is sent SIGTERM (which SDL turns into a quit request) after that.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& env = {}, int seconds = 60,
                         int terminateAfterMs = -1);

// Restores every tunable when the test ends, so a test may change any of them.
class SettingsGuard {
public:
    SettingsGuard();
    ~SettingsGuard();

private:
    std::vector<int> saved_;
};

// The "name:value" words of a line, such as the batch runner's result line.
std::map<std::string, std::string> Fields(const std::string& line);

class DnaPolygon;
class DnaDrawing;
bool SamePolygon(const DnaPolygon& a, const DnaPolygon& b);
bool SameDrawing(const DnaDrawing& a, const DnaDrawing& b);
// A polygon with the given vertices and colour word.
DnaPolygon MakePolygon(const std::vector<std::pair<short, short>>& vertices, unsigned color);

// How many times this thread has called operator new (the test program counts them all).
std::uint64_t AllocationsOnThisThread();
