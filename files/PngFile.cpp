#include "files/PngFile.h"

#include "files/AtomicFile.h"
#include "image/Image.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace {

// libpng's own handlers print every failure (a line a frame while a disk is full); the
// caller says what failed, once, with the system's reason.
void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void QuietWarning(png_structp, png_const_charp) {}

bool WritePng(int w, int h, const std::function<void(int, Uint32*)>& rows, FILE* file) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, QuietWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_byte> row(std::size_t(w) * 3);
    std::vector<Uint32> source(static_cast<std::size_t>(w), 0u);
    // libpng reports errors by longjmp; nothing here needs unwinding but the row buffer,
    // which is made before the jump point.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    // One filter for every row: a drawing's flat areas compress as well as with libpng's
    // choice among all five a row, which costs most of a poster's time.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) {
        rows(y, source.data());
        for (int x = 0; x < w; ++x) {
            row[std::size_t(x) * 3] = png_byte(source[x] >> 24);
            row[std::size_t(x) * 3 + 1] = png_byte(source[x] >> 16);
            row[std::size_t(x) * 3 + 2] = png_byte(source[x] >> 8);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool SavePngRows(int width, int height, const std::function<void(int, Uint32*)>& rows, const std::string& path) {
    return WriteAtomically(path, [&](FILE* file) { return WritePng(width, height, rows, file); });
}

bool SavePng(const Image& image, const std::string& path) {
    if (!image.surface) return false;
    const auto* pixels = static_cast<const Uint8*>(image.surface->pixels);
    const int pitch = image.surface->pitch;
    return SavePngRows(image.Width(), image.Height(), [pixels, pitch, &image](int y, Uint32* row) {
        std::memcpy(row, pixels + std::ptrdiff_t(y) * pitch, std::size_t(image.Width()) * sizeof(Uint32));
    }, path);
}
