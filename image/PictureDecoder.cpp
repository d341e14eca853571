#include "image/PictureDecoder.h"

#include <vips/vips.h>

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <utility>

namespace {

void Quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

bool Ready() {
    static const bool ready = [] {
        if (VIPS_INIT("polyevolve") != 0) return false;
        // Decoders warn on every damaged chunk; the refusal line carries the reason instead.
        g_log_set_handler("VIPS", GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE), Quiet, nullptr);
        vips_block_untrusted_set(TRUE);  // ImageMagick, PDF, SVG and such: not for pictures we evolve
        vips_cache_set_max(0);
        vips_concurrency_set(1);
        return true;
    }();
    return ready;
}

std::string VipsReason() {
    std::string text = vips_error_buffer();
    vips_error_clear();
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    const std::size_t newline = text.find('\n');
    if (newline != std::string::npos) text = text.substr(0, newline);  // one line
    return text.empty() ? "unreadable" : text;
}

// The kinds read here, by the loader that claims the file; a file another loader claims is named and refused.
const char* KindOf(const char* loader) {
    static const std::pair<const char*, const char*> kinds[] = {
        {"VipsForeignLoadJpeg", "JPEG"}, {"VipsForeignLoadPng", "PNG"},   {"VipsForeignLoadNsgif", "GIF"},
        {"VipsForeignLoadGif", "GIF"},   {"VipsForeignLoadTiff", "TIFF"}, {"VipsForeignLoadWebp", "WebP"},
        {"VipsForeignLoadHeif", "HEIC/AVIF"}};
    for (const auto& kind : kinds)
        if (std::strncmp(loader, kind.first, std::strlen(kind.first)) == 0) return kind.second;
    return nullptr;
}

// What an unread kind is called: the loader's name without its class prefix and suffix ("Svg", "Ppm").
std::string NameOfLoader(const char* loader) {
    std::string name = loader;
    const std::string prefix = "VipsForeignLoad";
    if (name.compare(0, prefix.size(), prefix) == 0) name.erase(0, prefix.size());
    for (const char* suffix : {"File", "Source", "Buffer"}) {
        const std::size_t at = name.rfind(suffix);
        if (at != std::string::npos && at + std::strlen(suffix) == name.size()) name.erase(at);
    }
    for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// Standard error goes to /dev/null while it lives.
struct QuietStandardError {
    int saved = -1;
    QuietStandardError() {
        std::fflush(stderr);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null < 0) return;
        saved = dup(2);
        if (saved >= 0) dup2(null, 2);
        close(null);
    }
    ~QuietStandardError() {
        if (saved < 0) return;
        std::fflush(stderr);
        dup2(saved, 2);
        close(saved);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;
};

// Unrefs each image it is handed when it goes.
struct Owned {
    VipsImage* image = nullptr;
    ~Owned() {
        if (image) g_object_unref(image);
    }
    void Take(VipsImage* next) {
        if (image) g_object_unref(image);
        image = next;
    }
};

}  // namespace

Decoded DecodePicture(const std::string& path, const DecodeRequest& request) {
    Decoded result;
    if (!Ready()) {
        result.error = "the picture decoder did not start";
        return result;
    }
    const char* loader = vips_foreign_find_load(path.c_str());
    vips_error_clear();
    if (!loader || !KindOf(loader)) {
        result.error = std::string(loader ? NameOfLoader(loader) + ": " : "") +
                       "not a picture of a kind read here (JPEG, PNG, GIF, TIFF, WebP, HEIC, AVIF, BMP)";
        return result;
    }
    // The AV1 decoder behind HEIF files prints its own complaints about a damaged file; they
    // would break the one-line refusal, which carries the reason anyway.
    std::optional<QuietStandardError> quiet;
    if (std::strcmp(KindOf(loader), "HEIC/AVIF") == 0) quiet.emplace();
    // The header first: the size is known before anything is decoded.
    Owned image;
    image.image = vips_image_new_from_file(path.c_str(), "access", VIPS_ACCESS_SEQUENTIAL, "fail_on",
                                           VIPS_FAIL_ON_TRUNCATED, nullptr);
    if (!image.image) {
        result.error = VipsReason();
        return result;
    }
    result.sourceWidth = image.image->Xsize;
    result.sourceHeight = image.image->Ysize;
    const std::uint64_t pixels = std::uint64_t(image.image->Xsize) * std::uint64_t(image.image->Ysize);
    if (image.image->Xsize > request.maxWidth || image.image->Ysize > request.maxHeight) {
        if (request.shrinkTo <= 0 || pixels > kMaxSourcePixels) {
            result.error = "too large to decode (" + std::to_string(image.image->Xsize) + " x " +
                           std::to_string(image.image->Ysize) + " pixels)";
            result.tooLarge = true;
            return result;
        }
        // Shrunk while loading (a JPEG decodes at a fraction of its size), turned upright.
        VipsImage* small = nullptr;
        if (vips_thumbnail(path.c_str(), &small, request.shrinkTo, "height", request.shrinkTo, "size",
                           VIPS_SIZE_DOWN, "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr) != 0) {
            result.error = VipsReason();
            return result;
        }
        image.Take(small);
    } else {
        VipsImage* upright = nullptr;
        if (vips_autorot(image.image, &upright, nullptr) != 0) {
            result.error = VipsReason();
            return result;
        }
        image.Take(upright);
    }
    VipsImage* next = nullptr;
    if (vips_colourspace(image.image, &next, VIPS_INTERPRETATION_sRGB, nullptr) != 0) {
        result.error = VipsReason();
        return result;
    }
    image.Take(next);
    if (vips_image_hasalpha(image.image)) {
        const std::uint32_t bg = request.background;
        double background[3] = {double(bg >> 16 & 0xff), double(bg >> 8 & 0xff), double(bg & 0xff)};
        VipsArrayDouble* colour = vips_array_double_new(background, 3);
        const int failed = vips_flatten(image.image, &next, "background", colour, nullptr);
        vips_area_unref(VIPS_AREA(colour));
        if (failed != 0) {
            result.error = VipsReason();
            return result;
        }
        image.Take(next);
    }
    if (vips_cast_uchar(image.image, &next, nullptr) != 0) {
        result.error = VipsReason();
        return result;
    }
    image.Take(next);
    if (image.image->Bands != 3) {
        if (vips_extract_band(image.image, &next, 0, "n", 3, nullptr) != 0) {
            result.error = VipsReason();
            return result;
        }
        image.Take(next);
    }
    std::size_t size = 0;
    void* memory = vips_image_write_to_memory(image.image, &size);  // decodes; fails on damage
    if (!memory) {
        result.error = VipsReason();
        return result;
    }
    const int w = image.image->Xsize, h = image.image->Ysize;
    SDL_Surface* surface = SDL_CreateRGBSurface(0, w, h, 24, 0x0000ff, 0x00ff00, 0xff0000, 0);
    if (!surface) {
        g_free(memory);
        result.error = "no memory for the picture";
        return result;
    }
    const auto* from = static_cast<const Uint8*>(memory);
    for (int y = 0; y < h; ++y)
        std::memcpy(static_cast<Uint8*>(surface->pixels) + std::ptrdiff_t(y) * surface->pitch,
                    from + std::size_t(y) * std::size_t(w) * 3, std::size_t(w) * 3);
    g_free(memory);
    result.surface = surface;
    return result;
}
