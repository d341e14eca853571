#include "files/PngFile.h"

#include "files/AtomicFile.h"
#include "image/Image.h"

#include <png.h>

#include <csetjmp>
#include <vector>

namespace {

bool WritePng(const Image& image, FILE* file) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    const int w = image.Width(), h = image.Height();
    std::vector<png_byte> row(std::size_t(w) * 3);
    // libpng reports errors by longjmp; nothing here needs unwinding but the row buffer,
    // which is made before the jump point.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const auto* pixels = static_cast<const Uint8*>(image.surface->pixels);
    for (int y = 0; y < h; ++y) {
        const auto* source = reinterpret_cast<const Uint32*>(pixels + std::ptrdiff_t(y) * image.surface->pitch);
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

bool SavePng(const Image& image, const std::string& path) {
    if (!image.surface) return false;
    return WriteAtomically(path, [&image](FILE* file) { return WritePng(image, file); });
}
