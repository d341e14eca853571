#include "files/Target.h"

#include "genome/Settings.h"
#include "image/Image.h"
#include "image/PictureDecoder.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <cstdio>
#include <ostream>

bool TargetSizeSupported(int width, int height) {
    return width >= 1 && height >= 1 && width <= MaxTargetWidth && height <= MaxTargetHeight;
}

bool BmpHeaderSize(const std::string& path, long long& width, long long& height) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    unsigned char header[26];
    const bool read = std::fread(header, 1, sizeof header, file) == sizeof header;
    std::fclose(file);
    if (!read || header[0] != 'B' || header[1] != 'M') return false;
    auto u16 = [&header](int at) { return unsigned(header[at]) | unsigned(header[at + 1]) << 8; };
    auto u32 = [&u16](int at) { return std::uint32_t(u16(at)) | std::uint32_t(u16(at + 2)) << 16; };
    const std::uint32_t infoSize = u32(14);
    if (infoSize == 12) {  // the old OS/2 header: 16-bit sizes
        width = u16(18);
        height = u16(20);
    } else if (infoSize >= 40) {
        width = std::int32_t(u32(18));
        height = std::int32_t(u32(22));
        if (height < 0) height = -height;  // rows stored top to bottom
    } else {
        return false;
    }
    return width > 0 && height > 0;
}

namespace {

void RefuseSize(const std::string& path, long long width, long long height, std::ostream& err) {
    err << "Target image <" << path << "> is " << width << " x " << height
        << " pixels; at most " << MaxTargetWidth << " x " << MaxTargetHeight
        << " are supported.\n";
}

}  // namespace

namespace {

std::unique_ptr<Image> LoadTargetFile(const std::string& path, std::ostream& err, int shrinkTo, unsigned background,
                                      int* pictureWidth, int* pictureHeight);

// Standard input copied to a temporary file (decoders want to seek), removed when it goes.
struct StandardInputFile {
    std::string path;
    StandardInputFile() {
        const char* folder = std::getenv("TMPDIR");
        std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/polyevolve-stdin.XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0) return;
        char buffer[1 << 16];
        bool whole = true;
        for (ssize_t got; (got = read(0, buffer, sizeof buffer)) != 0;) {
            if (got < 0 && errno == EINTR) continue;
            whole = got > 0 && write(fd, buffer, std::size_t(got)) == got;
            if (!whole) break;
        }
        close(fd);
        if (whole) path = pattern;
        else unlink(pattern.c_str());
    }
    ~StandardInputFile() {
        if (!path.empty()) unlink(path.c_str());
    }
};

}  // namespace

std::unique_ptr<Image> LoadTarget(const std::string& path, std::ostream& err, int shrinkTo, unsigned background,
                                  int* pictureWidth, int* pictureHeight) {
    if (path != "-") return LoadTargetFile(path, err, shrinkTo, background, pictureWidth, pictureHeight);
    // "-": the picture read from standard input, named so in every line.
    const StandardInputFile input;
    if (input.path.empty()) {
        err << "Error in image creation: unable to load image (<standard input>: cannot be read)\n";
        return nullptr;
    }
    std::ostringstream said;
    std::unique_ptr<Image> target = LoadTargetFile(input.path, said, shrinkTo, background, pictureWidth, pictureHeight);
    std::string lines = said.str();
    for (std::size_t at; (at = lines.find(input.path)) != std::string::npos;) lines.replace(at, input.path.size(), "standard input");
    err << lines;
    return target;
}

namespace {

std::unique_ptr<Image> LoadTargetFile(const std::string& path, std::ostream& err, int shrinkTo, unsigned background,
                                      int* pictureWidth, int* pictureHeight) {
    // The size is in the header: a picture too large is refused before it is decoded, which
    // for the largest would cost gigabytes and seconds.
    long long headerWidth = 0, headerHeight = 0;
    if (BmpHeaderSize(path, headerWidth, headerHeight) &&
        (headerWidth > MaxTargetWidth || headerHeight > MaxTargetHeight)) {
        RefuseSize(path, headerWidth, headerHeight, err);
        return nullptr;
    }
    // Other formats are refused from their header too, unless the run shrinks them anyway
    // (--max-size): then they are shrunk while they load.
    DecodeRequest request;
    request.shrinkTo = shrinkTo;
    request.background = background;
    request.maxWidth = MaxTargetWidth;
    request.maxHeight = MaxTargetHeight;
    Decoded outcome;
    SDL_Surface* loaded = LoadPictureSurface(path, request, &outcome);
    if (outcome.tooLarge) {
        if (outcome.sourceWidth <= MaxTargetWidth && outcome.sourceHeight <= MaxTargetHeight)
            err << "Target image <" << path << "> is " << outcome.sourceWidth << " x " << outcome.sourceHeight
                << " pixels, more than the " << kMostWholePixels << " evolved whole; --max-size N evolves a "
                << "smaller copy (and what is saved is drawn at the full size).\n";
        else
            RefuseSize(path, outcome.sourceWidth, outcome.sourceHeight, err);
        return nullptr;
    }
    const std::string why = outcome.error;
    if (loaded && !TargetSizeSupported(loaded->w, loaded->h)) {
        RefuseSize(path, loaded->w, loaded->h, err);
        SDL_FreeSurface(loaded);
        return nullptr;
    }
    std::unique_ptr<Image> target;
    try {
        target = std::make_unique<Image>(loaded);
    } catch (const std::string& text) {
        // Named, so that a loop over many pictures tells which one failed.
        const std::string reason = why.empty() ? SdlReason() : why;
        err << "Error in image creation: " << text << " (<" << path << ">" << (reason.empty() ? "" : ": " + reason)
            << ")\n";
        return nullptr;
    }
    if (!outcome.warning.empty()) err << "<" << path << ">: " << outcome.warning << ".\n";
    const bool shrunk = outcome.uprightWidth > 0;
    if (pictureWidth) *pictureWidth = shrunk ? outcome.uprightWidth : target->Width();
    if (pictureHeight) *pictureHeight = shrunk ? outcome.uprightHeight : target->Height();
    return target;
}

}  // namespace

void UseTargetSize(const Image& target) {
    Settings::ScreenHeight = target.Height();
    Settings::ScreenWidth = target.Width();
}
