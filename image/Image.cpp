#include "image/Image.h"

#include "image/DamageCheck.h"

#include "image/KernelChoice.h"
#include "image/Kernels.h"

#include <SDL_image.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "pixel code reads channels by byte offset and expects a little-endian host");

SDL_Surface* CreateImageSurface(int width, int height) {
    SDL_Surface* surface = SDL_CreateRGBSurface(0, width, height, 32, Image::RedMask,
                                                Image::GreenMask, Image::BlueMask, Image::AlphaMask);
    // SDL marks surfaces with an alpha mask for blended blits. Our alpha byte is no opacity
    // (the canvas is cleared to alpha 0), so blits to the window and into BMP files must copy
    // the colours as they are, or unpainted parts would show stale pixels.
    if (surface) SDL_SetAlpha(surface, 0, SDL_ALPHA_OPAQUE);
    return surface;
}

std::string SdlReason() {
    const char* text = SDL_GetError();
    return text ? text : "";
}

SDL_Surface* LoadPictureSurface(const std::string& path, const DecodeRequest& request, Decoded* outcome) {
    Decoded ignored;
    Decoded& result = outcome ? *outcome : ignored;
    SDL_ClearError();
    const FileKind file = SniffPicture(path);
    if (!file.problem.empty()) {
        result.error = file.problem;
        return nullptr;
    }
    // SDL's own BMP loader first, so that every BMP gives exactly the pixels it always gave;
    // SDL_image only for the BMPs that loader refuses (compressed ones). Every other picture
    // goes to the maintained decoders.
    if (file.kind != PictureKind::Bmp) {
        result = DecodePicture(path, file.kind, request);
        const std::string kind = PictureKindName(file.kind);
        if (result.damaged) result.error = "damaged " + kind + ": " + result.error;
        if (!result.warning.empty()) result.warning = "damaged " + kind + ", loaded as it decodes (" + result.warning + ")";
        return result.surface;
    }
    SDL_RWops* stream = SDL_RWFromFile(path.c_str(), "rb");
    SDL_Surface* loaded = stream ? SDL_LoadBMP_RW(stream, 1) : nullptr;
    if (loaded || !stream) return loaded;
    // SDL_image reads runs past the end of their data, or stopping short of the last row, as
    // a picture blank below them.
    const Damage runs = CheckBmpRuns(path);
    if (!runs.what.empty()) {
        result.error = "damaged BMP: " + runs.what;
        return nullptr;
    }
    SDL_RWops* again = SDL_RWFromFile(path.c_str(), "rb");
    loaded = again ? IMG_LoadTyped_RW(again, 1, const_cast<char*>("BMP")) : nullptr;
    if (!loaded) {
        result.error = "damaged BMP: " + SdlReason();
        return nullptr;
    }
    // Converted like a 32-bit BMP with alpha, whose alpha SDL's loader drops: the colours are
    // copied as they are and the alpha channel is no opacity, so a transparent pixel counts
    // with the colour it stores. Forgetting the alpha mask before the first blit makes the
    // blit ignore it (and fill the alpha byte as for any picture without one).
    SDL_SetAlpha(loaded, 0, SDL_ALPHA_OPAQUE);
    if (loaded->format && loaded->format->Amask) {
        loaded->format->Amask = 0;
        loaded->format->Ashift = 0;
        loaded->format->Aloss = 8;
    }
    return loaded;
}

Image::Image(const std::string& path) : Image(LoadPictureSurface(path, DecodeRequest{})) {}

Image::Image(SDL_Surface* loaded) {
    if (!loaded) throw std::string("unable to load image");
    // A decoded picture comes in our own layout already: kept as it is, not copied.
    const SDL_PixelFormat* format = loaded->format;
    if (format && format->BytesPerPixel == 4 && format->Rmask == RedMask && format->Gmask == GreenMask &&
        format->Bmask == BlueMask && format->Amask == AlphaMask && !(loaded->flags & SDL_SRCALPHA)) {
        surface = loaded;
        return;
    }
    // SDL loads some pixel formats it cannot convert (more than 4 bytes a pixel, or none);
    // refused like an unreadable file, rather than run against a black target.
    const int bytes = loaded->format ? loaded->format->BytesPerPixel : 0;
    if (bytes < 1 || bytes > 4) {
        SDL_SetError("%d bytes a pixel", bytes);
        SDL_FreeSurface(loaded);
        throw std::string("unable to load image");
    }
    surface = CreateImageSurface(loaded->w, loaded->h);
    if (!surface) {
        // SDL refuses some sizes it can load (e.g. 16384 pixels wide and more).
        SDL_FreeSurface(loaded);
        throw std::string("unable to convert image");
    }
    const int blitted = SDL_UpperBlit(loaded, nullptr, surface, nullptr);
    SDL_FreeSurface(loaded);
    if (blitted < 0) {
        SDL_FreeSurface(surface);
        surface = nullptr;
        throw std::string("unable to load image");
    }
}

Image::Image(int width, int height) : surface(CreateImageSurface(width, height)) {}

Image::~Image() {
    if (surface) SDL_FreeSurface(surface);
}

Image::Image(Image&& other) noexcept : surface(std::exchange(other.surface, nullptr)) {}

Image& Image::operator=(Image&& other) noexcept {
    if (this != &other) {
        if (surface) SDL_FreeSurface(surface);
        surface = std::exchange(other.surface, nullptr);
    }
    return *this;
}

ScoredArea ScoredAreaOf(int width, int height) {
    if (width <= 1 || height <= 1) return {};
    return {width - 1, height - 1};
}

namespace {

// Sum of squared RGB differences over the top-left `area` of two 32-bit surfaces.
std::uint64_t Distance(const SDL_Surface* a, const SDL_Surface* b, ScoredArea area) {
    if (area.Pixels() == 0) return 0;
    if (a->format->BytesPerPixel != 4 || b->format->BytesPerPixel != 4)
        return 0;  // every Image is 32-bit; anything else is no picture of ours
    const Uint8* rowP = static_cast<const Uint8*>(a->pixels);
    const Uint8* rowQ = static_cast<const Uint8*>(b->pixels);
    // A row chunk of at most 16384 pixels sums to under 2^32, so the inner loop stays 32-bit
    // and vectorises; only the running total is 64-bit.
    constexpr int chunk = 16384;
    const RowDistanceFn distance = ChosenRowDistance();
    std::uint64_t sum = 0;
    for (int y = 0; y < area.height; ++y) {
        const Uint32* p = reinterpret_cast<const Uint32*>(rowP);
        const Uint32* q = reinterpret_cast<const Uint32*>(rowQ);
        for (int x0 = 0; x0 < area.width; x0 += chunk) {
            const int x1 = std::min(area.width, x0 + chunk);
            sum += distance(p + x0, q + x0, x1 - x0);
        }
        rowP += a->pitch;
        rowQ += b->pitch;
    }
    return sum;
}

}  // namespace

std::uint64_t Image::Compare(const Image& other) const {
    if (!surface || !other.surface) return 0;
    // The window never reaches past either surface, even if their sizes differ.
    return Distance(surface, other.surface,
                    ScoredAreaOf(std::min(surface->w, other.surface->w), std::min(surface->h, other.surface->h)));
}

std::uint64_t ScoredDistance(const Image& picture, const Image& target) {
    if (!picture.surface || !target.surface) return 0;
    ScoredArea area = ScoredAreaOf(target.Width(), target.Height());
    area.width = std::min(area.width, picture.Width());
    area.height = std::min(area.height, picture.Height());
    return Distance(picture.surface, target.surface, area);
}

void Image::Clear(Uint32 pixel) {
    if (!surface) return;
    // Our surfaces are plain software ones whose rows are contiguous, so one memset (or fill)
    // does what SDL_FillRect does, several times faster.
    if (pixel == 0) {
        std::memset(surface->pixels, 0, std::size_t(surface->pitch) * std::size_t(surface->h));
        return;
    }
    auto* pixels = static_cast<Uint32*>(surface->pixels);
    std::fill_n(pixels, std::size_t(surface->pitch / 4) * std::size_t(surface->h), pixel);
}

std::uint32_t MeanColour(const Image& image) {
    if (!image.surface || image.Width() == 0 || image.Height() == 0) return 0;
    std::uint64_t sums[3] = {0, 0, 0};
    for (int y = 0; y < image.Height(); ++y) {
        const auto* row = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(image.surface->pixels) +
                                                          std::ptrdiff_t(y) * image.surface->pitch);
        for (int x = 0; x < image.Width(); ++x)
            for (int c = 0; c < 3; ++c) sums[c] += row[x] >> (24 - 8 * c) & 0xff;
    }
    const std::uint64_t n = std::uint64_t(image.Width()) * std::uint64_t(image.Height());
    std::uint32_t colour = 0;
    for (int c = 0; c < 3; ++c) colour = colour << 8 | std::uint32_t((sums[c] + n / 2) / n);
    return colour;
}
