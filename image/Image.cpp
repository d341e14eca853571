#include "image/Image.h"

#include <algorithm>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

Image::Image(const std::string& bmpPath) {
    SDL_RWops* stream = SDL_RWFromFile(bmpPath.c_str(), "rb");
    SDL_Surface* loaded = stream ? SDL_LoadBMP_RW(stream, 1) : nullptr;
    if (!loaded) throw std::string("unable to load image");
    surface = CreateImageSurface(loaded->w, loaded->h);
    if (!surface) {
        // SDL refuses some sizes it can load (e.g. 16384 pixels wide and more).
        SDL_FreeSurface(loaded);
        throw std::string("unable to convert image");
    }
    SDL_UpperBlit(loaded, nullptr, surface, nullptr);
    SDL_FreeSurface(loaded);
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

namespace {

// Squared RGB distance of two pixels in the program's layout; the alpha byte is left out.
inline std::uint32_t Distance(Uint32 p, Uint32 q) {
    const int d1 = int((p >> 8) & 0xff) - int((q >> 8) & 0xff);
    const int d2 = int((p >> 16) & 0xff) - int((q >> 16) & 0xff);
    const int d3 = int(p >> 24) - int(q >> 24);
    return std::uint32_t(d1 * d1 + d2 * d2 + d3 * d3);
}

// Sum of Distance over n pixels; n at most 16384, so the sum fits in 32 bits.
inline std::uint32_t RowDistance(const Uint32* p, const Uint32* q, int n) {
    std::uint32_t sum = 0;
    int x = 0;
#ifdef __SSE2__
    // Four pixels at a time: channel differences in 16-bit lanes, squared and paired up by
    // pmaddwd. Each 32-bit lane gains at most 4 * 255^2 per step, far from overflowing.
    const __m128i zero = _mm_setzero_si128();
    const __m128i colour = _mm_set1_epi32(int(0xffffff00u));
    __m128i acc = _mm_setzero_si128();
    for (; x + 4 <= n; x += 4) {
        const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + x)), colour);
        const __m128i b = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q + x)), colour);
        const __m128i dlo = _mm_sub_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
        const __m128i dhi = _mm_sub_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
        acc = _mm_add_epi32(acc, _mm_madd_epi16(dlo, dlo));
        acc = _mm_add_epi32(acc, _mm_madd_epi16(dhi, dhi));
    }
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
    sum = lanes[0] + lanes[1] + lanes[2] + lanes[3];
#endif
    for (; x < n; ++x) sum += Distance(p[x], q[x]);
    return sum;
}

}  // namespace

std::uint64_t Image::Compare(const Image& other) const {
    if (!surface || !other.surface) return 0;
    // The window never reaches past either surface, even if their sizes differ.
    const int width = std::min(surface->w, other.surface->w);
    const int height = std::min(surface->h, other.surface->h);
    if (height - 1 <= 0 || width - 1 <= 0) return 0;
    if (surface->format->BytesPerPixel != 4 || other.surface->format->BytesPerPixel != 4)
        return 0;  // every Image is 32-bit; anything else is no picture of ours
    const Uint8* rowP = static_cast<const Uint8*>(surface->pixels);
    const Uint8* rowQ = static_cast<const Uint8*>(other.surface->pixels);
    // A row chunk of at most 16384 pixels sums to under 2^32, so the inner loop stays 32-bit
    // and vectorises; only the running total is 64-bit.
    constexpr int chunk = 16384;
    std::uint64_t sum = 0;
    for (int y = 0; y < height - 1; ++y) {
        const Uint32* p = reinterpret_cast<const Uint32*>(rowP);
        const Uint32* q = reinterpret_cast<const Uint32*>(rowQ);
        for (int x0 = 0; x0 < width - 1; x0 += chunk) {
            const int x1 = std::min(width - 1, x0 + chunk);
            sum += RowDistance(p + x0, q + x0, x1 - x0);
        }
        rowP += surface->pitch;
        rowQ += other.surface->pitch;
    }
    return sum;
}
