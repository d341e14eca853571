#include "files/Timelapse.h"

#include "files/AtomicFile.h"
#include "files/FramePalette.h"

#include <gif_lib.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

bool EndsWith(const std::string& path, const std::string& suffix) {
    if (path.size() < suffix.size()) return false;
    std::string end = path.substr(path.size() - suffix.size());
    for (char& c : end) c = char(std::tolower(static_cast<unsigned char>(c)));
    return end == suffix;
}

}  // namespace

struct Timelapse::Encoder {
    virtual ~Encoder() = default;
    virtual bool Add(const std::vector<Uint32>& pixels, int w, int h, int index) = 0;
    virtual bool Finish(const std::string& path, int frames) = 0;
};

namespace {

class WebpEncoder : public Timelapse::Encoder {
public:
    WebpEncoder(int w, int h) {
        WebPAnimEncoderOptions options;
        if (WebPAnimEncoderOptionsInit(&options)) {
            options.anim_params.loop_count = 0;
            encoder = WebPAnimEncoderNew(w, h, &options);
        }
        WebPConfigInit(&config);
        config.quality = 85;
    }
    ~WebpEncoder() override {
        if (encoder) WebPAnimEncoderDelete(encoder);
    }
    bool Add(const std::vector<Uint32>& pixels, int w, int h, int index) override {
        if (!encoder) return false;
        std::vector<std::uint8_t> rgba(std::size_t(w) * std::size_t(h) * 4);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            rgba[4 * i] = std::uint8_t(pixels[i] >> 24);
            rgba[4 * i + 1] = std::uint8_t(pixels[i] >> 16);
            rgba[4 * i + 2] = std::uint8_t(pixels[i] >> 8);
            rgba[4 * i + 3] = 255;
        }
        WebPPicture picture;
        if (!WebPPictureInit(&picture)) return false;
        picture.use_argb = 1;
        picture.width = w;
        picture.height = h;
        const bool added = WebPPictureImportRGBA(&picture, rgba.data(), w * 4) &&
                           WebPAnimEncoderAdd(encoder, &picture, index * Timelapse::kFrameMs, &config);
        WebPPictureFree(&picture);
        return added;
    }
    bool Finish(const std::string& path, int frames) override {
        if (!encoder || frames == 0) return false;
        // The last frame is held a while before the animation starts again.
        if (!WebPAnimEncoderAdd(encoder, nullptr, (frames - 1) * Timelapse::kFrameMs + 2000, nullptr)) return false;
        WebPData data;
        WebPDataInit(&data);
        if (!WebPAnimEncoderAssemble(encoder, &data)) return false;
        const bool written = WriteAtomically(path, [&data](FILE* file) {
            return std::fwrite(data.bytes, 1, data.size, file) == data.size;
        });
        WebPDataClear(&data);
        return written;
    }

private:
    WebPAnimEncoder* encoder = nullptr;
    WebPConfig config;
};

// Frames go to a temporary file as they come; it replaces the old file at the end.
class GifEncoder : public Timelapse::Encoder {
public:
    GifEncoder(const std::string& path, int w, int h) {
        const std::string pattern = TemporaryPattern(path);
        temporary.assign(pattern.begin(), pattern.end());
        temporary.push_back('\0');
        const int fd = mkstemp(temporary.data());
        if (fd < 0) return;
        UsualPermissions(fd);
        int error = 0;
        gif = EGifOpenFileHandle(fd, &error);
        if (!gif) {
            close(fd);
            unlink(temporary.data());
            return;
        }
        EGifSetGifVersion(gif, true);
        ok = EGifPutScreenDesc(gif, w, h, 8, 0, nullptr) == GIF_OK;
        // Loop for ever (the NETSCAPE2.0 application block).
        const unsigned char loop[3] = {1, 0, 0};
        ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
             EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK &&
             EGifPutExtensionBlock(gif, 3, loop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
    }
    ~GifEncoder() override {
        if (gif) {
            int error = 0;
            EGifCloseFile(gif, &error);
            unlink(temporary.data());
        }
    }
    // Each frame waits until the next comes, so that the last can be held as the WebP's is.
    bool Add(const std::vector<Uint32>& pixels, int w, int h, int) override {
        if (!gif || !ok) return false;
        if (havePending) ok = Put(Timelapse::kFrameMs);
        pending = MakeFramePalette(pixels);
        pendingWidth = w;
        pendingHeight = h;
        havePending = true;
        return ok;
    }
    bool Finish(const std::string& path, int frames) override {
        if (!gif) return false;
        if (havePending && ok) ok = Put(2000);
        int error = 0;
        const bool closed = EGifCloseFile(gif, &error) == GIF_OK;
        gif = nullptr;
        if (ok && closed && frames > 0 && std::rename(temporary.data(), path.c_str()) == 0) return true;
        unlink(temporary.data());
        return false;
    }

private:
    bool Put(int ms) {
        GifColorType palette[256] = {};
        for (std::size_t i = 0; i < pending.colours.size(); ++i)
            palette[i] = {GifByteType(pending.colours[i] >> 16), GifByteType(pending.colours[i] >> 8),
                          GifByteType(pending.colours[i])};
        ColorMapObject* map = GifMakeMapObject(256, palette);
        if (!map) return false;
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;
        control.DelayTime = ms / 10;
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        const std::size_t length = EGifGCBToExtension(&control, extension);
        bool put = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) == GIF_OK &&
                   EGifPutImageDesc(gif, 0, 0, pendingWidth, pendingHeight, false, map) == GIF_OK;
        for (int y = 0; y < pendingHeight && put; ++y)
            put = EGifPutLine(gif, pending.indices.data() + std::size_t(y) * std::size_t(pendingWidth), pendingWidth) ==
                  GIF_OK;
        GifFreeMapObject(map);
        return put;
    }

    GifFileType* gif = nullptr;
    std::vector<char> temporary;
    bool ok = false;
    FramePalette pending;
    int pendingWidth = 0, pendingHeight = 0;
    bool havePending = false;
};

}  // namespace

bool Timelapse::Supported(const std::string& path) { return EndsWith(path, ".webp") || EndsWith(path, ".gif"); }

Timelapse::Timelapse(const std::string& path_, int evolvedWidth, int evolvedHeight, int pictureWidth,
                     int pictureHeight)
    : path(path_) {
    const double scale = std::min(1.0, double(kLongerSide) / std::max(pictureWidth, pictureHeight));
    size = OutputSizeFor(evolvedWidth, evolvedHeight, ScaledLength(pictureWidth, scale),
                         ScaledLength(pictureHeight, scale));
    if (EndsWith(path, ".webp"))
        encoder = std::make_unique<WebpEncoder>(size.OutWidth(), size.OutHeight());
    else if (EndsWith(path, ".gif"))
        encoder = std::make_unique<GifEncoder>(path, size.OutWidth(), size.OutHeight());
}

Timelapse::~Timelapse() = default;

bool Timelapse::Add(const DnaDrawing& drawing) {
    if (!encoder || failed) return false;
    std::vector<Uint32> pixels(std::size_t(size.OutWidth()) * std::size_t(size.OutHeight()));
    RenderRows(drawing, size, 0, size.OutHeight(), pixels.data());
    if (!encoder->Add(pixels, size.OutWidth(), size.OutHeight(), frames)) {
        failed = true;
        return false;
    }
    ++frames;
    return true;
}

bool Timelapse::Finish() {
    if (!encoder || failed) return false;
    const bool written = encoder->Finish(path, frames);
    encoder.reset();
    return written;
}
