#include "image/PictureDecoder.h"

#include "image/DamageCheck.h"
#include "image/Image.h"

#include <vips/vips.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

// What the loaders said while one picture was read here (decoding runs on the calling thread).
thread_local std::string tWarning;

void Remember(const gchar*, GLogLevelFlags, const gchar* message, gpointer) {
    if (tWarning.empty() && message) tWarning = message;
}

bool Ready() {
    static const bool ready = [] {
        if (VIPS_INIT("polyevolve") != 0) return false;
        // Loaders warn about damage they read past; the warning decides, and goes into our line.
        g_log_set_handler("VIPS", GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE), Remember, nullptr);
        vips_block_untrusted_set(TRUE);  // ImageMagick, PDF, SVG and such: not for pictures we evolve
        vips_cache_set_max(0);
        vips_concurrency_set(1);
        return true;
    }();
    return ready;
}

}  // namespace

bool PrepareDecoders() { return Ready(); }

namespace {

std::string OneLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    const std::size_t newline = text.find('\n');
    if (newline != std::string::npos) text = text.substr(0, newline);
    return text;
}

std::string VipsReason() {
    std::string text = OneLine(vips_error_buffer());
    vips_error_clear();
    return text.empty() ? "unreadable" : text;
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

// The kind's own loader, so that a file is read only as what its first bytes say it is.
VipsImage* Open(const std::string& path, PictureKind kind, VipsAccess access) {
    VipsImage* out = nullptr;
    const char* name = path.c_str();
    const VipsFailOn failOn = VIPS_FAIL_ON_TRUNCATED;
    int failed = -1;
    switch (kind) {
    case PictureKind::Jpeg: failed = vips_jpegload(name, &out, "access", access, "fail_on", failOn, nullptr); break;
    case PictureKind::Png: failed = vips_pngload(name, &out, "access", access, "fail_on", failOn, nullptr); break;
    case PictureKind::Gif: failed = vips_gifload(name, &out, "access", access, "fail_on", failOn, nullptr); break;
    case PictureKind::Tiff: failed = vips_tiffload(name, &out, "access", access, "fail_on", failOn, nullptr); break;
    case PictureKind::WebP: failed = vips_webpload(name, &out, "access", access, "fail_on", failOn, nullptr); break;
    case PictureKind::Heif: failed = vips_heifload(name, &out, "access", access, "fail_on", failOn, nullptr); break;
    default: break;
    }
    return failed == 0 ? out : nullptr;
}

// One step of the pipeline: `step` makes the next image from the current one.
template <typename Step>
bool Then(Owned& image, std::string& error, Step step) {
    VipsImage* next = nullptr;
    if (step(image.image, &next) != 0) {
        error = VipsReason();
        return false;
    }
    image.Take(next);
    return true;
}

// sRGB, opaque, 8 bits, three bands.
bool ToRgb(Owned& image, std::uint32_t background, std::string& error) {
    if (!Then(image, error, [](VipsImage* in, VipsImage** out) {
            return vips_colourspace(in, out, VIPS_INTERPRETATION_sRGB, nullptr);
        }))
        return false;
    if (vips_image_hasalpha(image.image)) {
        double colour[3] = {double(background >> 16 & 0xff), double(background >> 8 & 0xff), double(background & 0xff)};
        VipsArrayDouble* array = vips_array_double_new(colour, 3);
        const bool flat = Then(image, error, [array](VipsImage* in, VipsImage** out) {
            return vips_flatten(in, out, "background", array, nullptr);
        });
        vips_area_unref(VIPS_AREA(array));
        if (!flat) return false;
    }
    if (!Then(image, error, [](VipsImage* in, VipsImage** out) { return vips_cast_uchar(in, out, nullptr); }))
        return false;
    if (image.image->Bands == 3) return true;
    return Then(image, error, [](VipsImage* in, VipsImage** out) { return vips_extract_band(in, out, 0, "n", 3, nullptr); });
}

// Decodes strip by strip straight into a surface of the Image layout, so that the whole
// picture is held once, at four bytes a pixel.
SDL_Surface* Decode(VipsImage* image, std::string& error) {
    const int w = image->Xsize, h = image->Ysize;
    SDL_Surface* surface = CreateImageSurface(w, h);
    if (!surface) {
        error = "no memory for the picture";
        return nullptr;
    }
    VipsRegion* region = vips_region_new(image);
    constexpr int strip = 64;
    for (int top = 0; top < h; top += strip) {
        VipsRect rows{0, top, w, std::min(strip, h - top)};
        if (vips_region_prepare(region, &rows) != 0) {
            error = VipsReason();
            g_object_unref(region);
            SDL_FreeSurface(surface);
            return nullptr;
        }
        for (int y = top; y < top + rows.height; ++y) {
            const auto* from = reinterpret_cast<const Uint8*>(VIPS_REGION_ADDR(region, 0, y));
            auto* to = reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) + std::ptrdiff_t(y) * surface->pitch);
            for (int x = 0; x < w; ++x, from += 3)
                to[x] = Uint32(from[0]) << 24 | Uint32(from[1]) << 16 | Uint32(from[2]) << 8 | 0xffu;
        }
    }
    g_object_unref(region);
    return surface;
}

// Whether a JPEG is eight times the size evolved or more: it decodes at an eighth of its size
// at once (a placeholder of a photo: a 12-megapixel one in a few milliseconds).
bool ShrunkJpeg(const VipsImage* image, PictureKind kind, const DecodeRequest& request) {
    return request.shrinkTo > 0 && kind == PictureKind::Jpeg && std::max(image->Xsize, image->Ysize) >= 8 * request.shrinkTo;
}

// The picture upright at its full size, or shrunk while it loads.
bool Upright(Owned& image, const std::string& path, PictureKind kind, const DecodeRequest& request,
             Decoded& result) {
    const int w = image.image->Xsize, h = image.image->Ysize;
    const bool many = std::uint64_t(w) * std::uint64_t(h) > kMostWholePixels;
    if (w > request.maxWidth || h > request.maxHeight || many || ShrunkJpeg(image.image, kind, request)) {
        if (request.shrinkTo <= 0) {
            result.error = "too large to decode (" + std::to_string(w) + " x " + std::to_string(h) + " pixels)";
            result.tooLarge = true;
            return false;
        }
        // A JPEG decodes at a fraction of its size; the thumbnail turns it upright too.
        return Then(image, result.error, [&](VipsImage*, VipsImage** out) {
            return vips_thumbnail(path.c_str(), out, request.shrinkTo, "height", request.shrinkTo, "size",
                                  VIPS_SIZE_DOWN, "fail_on", VIPS_FAIL_ON_TRUNCATED, nullptr);
        });
    }
    // Turning needs the rows out of order: a turned picture is opened for random access.
    if (vips_image_get_orientation(image.image) > 1) {
        VipsImage* again = Open(path, kind, VIPS_ACCESS_RANDOM);
        if (!again) {
            result.error = VipsReason();
            return false;
        }
        image.Take(again);
    }
    return Then(image, result.error, [](VipsImage* in, VipsImage** out) { return vips_autorot(in, out, nullptr); });
}

// A second opinion where the loader reads past damage: a refusal in `error`, or a warning.
void CheckDamage(const std::string& path, PictureKind kind, Decoded& result) {
    Damage damage;
    if (kind == PictureKind::Jpeg) damage = CheckJpeg(path);
    if (kind == PictureKind::Gif) damage = CheckGif(path, MaxSourcePixels());
    if (kind == PictureKind::Png) damage = CheckPng(path);
    if (kind == PictureKind::WebP) damage = CheckWebp(path);
    if (damage.what.empty()) return;
    // A JPEG whose data decodes to the end is shown as it decodes (phones and cameras write
    // some with stray bytes), a GIF whose later frames are damaged by its first, a WebP with
    // bytes after its end without them; anything cut short, or damaged in what is shown, is
    // refused.
    if (!damage.truncated)
        result.warning = damage.what;
    else
        result.error = damage.what;
}

// A loader that read past damage says so (TIFF's strips, JPEG's data): a JPEG is kept with a
// warning, a TIFF refused. Other loaders' words are notes about well-formed files.
void JudgeWarning(PictureKind kind, Decoded& result) {
    const std::string said = OneLine(tWarning);
    if (!result.surface || said.empty() || !result.warning.empty()) return;
    if (kind == PictureKind::Jpeg) {
        result.warning = said;
    } else if (kind == PictureKind::Tiff) {
        SDL_FreeSurface(result.surface);
        result.surface = nullptr;
        result.error = said;
        result.damaged = true;
    }
}

std::uint64_t FileBytes(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? std::uint64_t(info.st_size) : 0;
}

}  // namespace

std::uint64_t MaxSourcePixels() {
    const char* text = std::getenv("POLYEVOLVE_MAX_PIXELS");
    if (!text || !*text) return kDefaultMaxSourcePixels;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    return *end == '\0' && value > 0 ? value : kDefaultMaxSourcePixels;
}

Decoded DecodePicture(const std::string& path, PictureKind kind, const DecodeRequest& request) {
    Decoded result;
    if (!Ready()) {
        result.error = "the picture decoder did not start";
        return result;
    }
    if (kind == PictureKind::Unknown || kind == PictureKind::Bmp) {
        const char* loader = vips_foreign_find_load(path.c_str());
        vips_error_clear();
        result.error = std::string(loader ? NameOfLoader(loader) + ": " : "") +
                       "not a picture of a kind read here (" + PictureKindList() + ")";
        return result;
    }
    // The AV1 decoder behind HEIF files prints its own complaints about a damaged file; they
    // would break the one-line refusal, which carries the reason anyway.
    std::optional<QuietStandardError> quiet;
    if (kind == PictureKind::Heif) quiet.emplace();
    tWarning.clear();
    // The header first: the size is known before anything is decoded.
    Owned image;
    image.image = Open(path, kind, VIPS_ACCESS_SEQUENTIAL);
    if (!image.image) {
        result.error = VipsReason();
        result.damaged = true;
        return result;
    }
    result.sourceWidth = image.image->Xsize;
    result.sourceHeight = image.image->Ysize;
    const bool turned = vips_image_get_orientation_swap(image.image);
    result.uprightWidth = turned ? result.sourceHeight : result.sourceWidth;
    result.uprightHeight = turned ? result.sourceWidth : result.sourceHeight;
    const std::string size = std::to_string(image.image->Xsize) + " x " + std::to_string(image.image->Ysize);
    const std::uint64_t pixels = std::uint64_t(image.image->Xsize) * std::uint64_t(image.image->Ysize);
    if (pixels > MaxSourcePixels()) {
        result.error = size + " pixels, more than the " + std::to_string(MaxSourcePixels()) +
                       " a picture may have (POLYEVOLVE_MAX_PIXELS allows more)";
        return result;
    }
    const std::uint64_t bytes = FileBytes(path);
    if (pixels > bytes * kPixelsPerByte) {
        result.error = size + " pixels, more than its " + std::to_string(bytes) + " bytes could hold";
        result.damaged = true;
        return result;
    }
    // (A JPEG shrunk while it loads is checked too: its loader reads past damage in silence.)
    CheckDamage(path, kind, result);
    result.damaged = true;  // from here on, a failure is the file's
    if (!result.error.empty()) return result;
    if (!Upright(image, path, kind, request, result) || !ToRgb(image, request.background, result.error)) {
        result.damaged = !result.tooLarge;
        return result;
    }
    result.surface = Decode(image.image, result.error);
    result.damaged = !result.surface;
    JudgeWarning(kind, result);
    return result;
}
