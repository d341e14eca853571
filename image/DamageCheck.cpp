#include "image/DamageCheck.h"

#include <gif_lib.h>

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
    bool imageRead = false;
    while (!imageRead && damage.what.empty()) {
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
            std::vector<GifPixelType> line(std::size_t(width > 0 ? width : 1));
            for (int y = 0; y < height && damage.what.empty(); ++y)
                if (DGifGetLine(gif, line.data(), width) == GIF_ERROR) fail();
            imageRead = true;
        } else {
            if (record == TERMINATE_RECORD_TYPE) damage = {"no image in the file", true};
            break;
        }
    }
    DGifCloseFile(gif, &error);
    return damage;
}
