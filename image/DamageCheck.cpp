#include "image/DamageCheck.h"

#include <gif_lib.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
// libjpeg's header needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>

#include <string>
#include <vector>

namespace {

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf failed;
    Damage damage;
};

std::string MessageOf(j_common_ptr info) {
    char text[JMSG_LENGTH_MAX] = {};
    info->err->format_message(info, text);
    return text;
}

[[noreturn]] void JpegFailed(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    errors->damage.what = MessageOf(info);
    errors->damage.truncated = true;
    std::longjmp(errors->failed, 1);
}

void JpegMessage(j_common_ptr info, int level) {
    if (level >= 0) return;  // trace messages
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    if (errors->damage.what.empty()) errors->damage.what = MessageOf(info);
    if (info->err->msg_code == JWRN_JPEG_EOF) errors->damage.truncated = true;
}

// The decode itself, apart from the set-up, so that nothing with a destructor lives across
// the longjmp.
void ReadAllRows(jpeg_decompress_struct& info, JSAMPROW row) {
    while (info.output_scanline < info.output_height) jpeg_read_scanlines(&info, &row, 1);
    jpeg_finish_decompress(&info);
}

}  // namespace

Damage CheckJpeg(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {"cannot be opened", true};
    jpeg_decompress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JpegFailed;
    errors.manager.emit_message = JpegMessage;
    std::vector<JSAMPLE> row;
    if (setjmp(errors.failed) == 0) {
        jpeg_create_decompress(&info);
        jpeg_stdio_src(&info, file);
        jpeg_read_header(&info, TRUE);
        info.scale_num = 1;
        info.scale_denom = 8;
        info.dct_method = JDCT_IFAST;
        info.do_fancy_upsampling = FALSE;
        jpeg_start_decompress(&info);
        row.resize(std::size_t(info.output_width) * std::size_t(info.output_components));
        ReadAllRows(info, row.data());
    }
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return errors.damage;
}

Damage CheckGif(const std::string& path, std::uint64_t maxPixels) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif) return {GifErrorString(error) ? GifErrorString(error) : "unreadable", true};
    Damage damage;
    auto fail = [&damage, gif] {
        const char* text = GifErrorString(gif->Error);
        damage.what = text ? text : "unreadable";
        damage.truncated = true;
    };
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    int images = 0;
    while (damage.what.empty()) {
        if (DGifGetRecordType(gif, &record) == GIF_ERROR) {
            fail();
        } else if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) fail();
            while (damage.what.empty() && block)
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) fail();
        } else if (record == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) == GIF_ERROR) {
                fail();
                break;
            }
            const int width = gif->Image.Width, height = gif->Image.Height;
            if (std::uint64_t(width) * std::uint64_t(height) > maxPixels) {
                damage = {"an image of " + std::to_string(width) + " x " + std::to_string(height) + " pixels", true};
                break;
            }
            if (images == 0 && (width < 1 || height < 1)) {
                damage = {"an empty image (" + std::to_string(width) + " x " + std::to_string(height) + " pixels)", true};
                break;
            }
            std::vector<GifPixelType> line(std::size_t(width > 0 ? width : 1));
            for (int y = 0; y < height && damage.what.empty(); ++y)
                if (DGifGetLine(gif, line.data(), width) == GIF_ERROR) fail();
            // Only the first frame is shown; damage in a later one is said, not refused.
            if (images > 0 && !damage.what.empty()) {
                damage.what = "frame " + std::to_string(images + 1) + ": " + damage.what;
                damage.truncated = false;
            }
            ++images;
        } else {
            if (record == TERMINATE_RECORD_TYPE && images == 0) damage = {"no image in the file", true};
            break;
        }
    }
    DGifCloseFile(gif, &error);
    return damage;
}

namespace {

struct PngFailure {
    std::jmp_buf failed;
    std::string what;
};

[[noreturn]] void PngFailed(png_structp png, png_const_charp message) {
    auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
    failure->what = message ? message : "unreadable";
    std::longjmp(failure->failed, 1);
}

void PngWarned(png_structp, png_const_charp) {}

// The rows read one at a time, apart from the set-up, so that nothing with a destructor
// lives across the longjmp; `row` is made before the jump point, as libpng's rows need.
void ReadPngRows(png_structp png, png_infop info, std::vector<png_byte>& row) {
    png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_WARN_DISCARD);
    // The compressed stream's check comes after the last row, where libpng only warns. (Its
    // check is on by default; asking for it by png_set_option turns it off in this libpng.)
    png_set_benign_errors(png, 0);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    row.resize(png_get_rowbytes(png, info));
    const png_uint_32 height = png_get_image_height(png, info);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, row.data(), nullptr);
    png_read_end(png, nullptr);
}

}  // namespace

Damage CheckPng(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {"cannot be opened", true};
    PngFailure failure;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &failure, PngFailed, PngWarned);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row;
    Damage damage;
    if (!png || !info) {
        damage = {"no memory to check it", true};
    } else if (setjmp(failure.failed) == 0) {
        png_init_io(png, file);
        ReadPngRows(png, info, row);
    } else {
        damage = {failure.what, true};
    }
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    std::fclose(file);
    return damage;
}

namespace {

std::uint32_t Little(const unsigned char* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
    return value;
}

std::vector<unsigned char> ReadWhole(const std::string& path, std::size_t most) {
    std::vector<unsigned char> bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    unsigned char buffer[1 << 16];
    std::size_t got;
    while (bytes.size() <= most && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(file);
    return bytes;
}

}  // namespace

Damage CheckBmpRuns(const std::string& path) {
    // Headers first: compression 1 (8 bits) or 2 (4 bits), and where the runs start.
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {"cannot be opened", true};
    unsigned char header[54] = {};
    const std::size_t got = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    if (got < sizeof header || Little(header + 14, 4) < 40) return {};
    const std::uint32_t compression = Little(header + 30, 4);
    if (compression != 1 && compression != 2) return {};
    const bool four = compression == 2;
    const std::uint32_t offset = Little(header + 10, 4);
    const std::int32_t signedHeight = std::int32_t(Little(header + 22, 4));
    const std::uint64_t height = std::uint64_t(signedHeight < 0 ? -std::int64_t(signedHeight) : signedHeight);
    // A run covers at most 255 pixels in two bytes: the data bounds what is read.
    const std::vector<unsigned char> bytes = ReadWhole(path, std::size_t(64) << 20);
    std::uint64_t y = 0, x = 0;
    std::size_t at = offset;
    auto rows = [&] {
        return std::to_string(y + (x > 0 ? 1 : 0)) + " of its " + std::to_string(height) + " rows";
    };
    while (at + 1 < bytes.size()) {
        const unsigned count = bytes[at], code = bytes[at + 1];
        at += 2;
        if (count > 0) {
            x += count;
        } else if (code == 0) {
            ++y;
            x = 0;
        } else if (code == 1) {
            if (y + (x > 0 ? 1 : 0) < height) return {"its runs end after " + rows(), true};
            return {};
        } else if (code == 2) {
            if (at + 1 >= bytes.size()) break;
            x += bytes[at];
            y += bytes[at + 1];
            at += 2;
        } else {
            const std::size_t data = four ? (code + 1) / 2 : code;
            at += (data + 1) / 2 * 2;
            x += code;
        }
        if (y > height) return {"its runs go past its " + std::to_string(height) + " rows", true};
    }
    return {"its data ends after " + rows() + ", before its end mark", true};
}

Damage CheckWebp(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {"cannot be opened", true};
    unsigned char header[12] = {};
    const std::size_t got = std::fread(header, 1, sizeof header, file);
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fclose(file);
    if (got < sizeof header) return {"it ends in its header", true};
    const std::uint64_t riff = std::uint64_t(Little(header + 4, 4)) + 8;
    if (riff > std::uint64_t(size))
        return {"it ends after " + std::to_string(size) + " of its " + std::to_string(riff) + " bytes", true};
    if (riff < std::uint64_t(size))
        return {std::to_string(std::uint64_t(size) - riff) + " bytes after its end passed over", false};
    return {};
}
