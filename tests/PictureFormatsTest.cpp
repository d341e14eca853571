#include "TestSupport.h"

#include "evolve/Evaluator.h"
#include "evolve/GeneticTest.h"
#include "files/PictureFile.h"
#include "files/ScaledRender.h"
#include "files/PngFile.h"
#include "files/ProgressFile.h"
#include "files/Target.h"
#include "files/VectorFile.h"
#include "genome/Settings.h"

#include <gif_lib.h>
#include <libheif/heif.h>
#include <vips/vips.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <regex>
#include <webp/demux.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

// Targets in other formats load to the very pixels of the BMP, and the drawing goes out as
// SVG, PNG and BMP.

namespace {

bool Have(const std::string& program) {
    return RunProcess({"/bin/sh", "-c", "command -v " + program}).status == 0;
}

void Put(std::vector<unsigned char>& b, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// BMP headers for w x h, `bits` deep, `compression`, with `palette` entries and `data` bytes.
std::vector<unsigned char> BmpStart(int w, int h, int bits, int compression, int palette,
                                    std::size_t data) {
    std::vector<unsigned char> b = {'B', 'M'};
    const std::uint32_t offset = 54 + 4 * std::uint32_t(palette);
    Put(b, offset + std::uint32_t(data), 4);
    Put(b, 0, 4);
    Put(b, offset, 4);
    Put(b, 40, 4);
    Put(b, std::uint32_t(w), 4);
    Put(b, std::uint32_t(h), 4);
    Put(b, 1, 2);
    Put(b, std::uint32_t(bits), 2);
    Put(b, std::uint32_t(compression), 4);
    Put(b, std::uint32_t(data), 4);
    Put(b, 2835, 4);
    Put(b, 2835, 4);
    Put(b, std::uint32_t(palette), 4);
    Put(b, 0, 4);
    return b;
}

// A picture of eight colours in blocks and stripes, so it fits a palette.
const Rgb kColours[8] = {{0, 0, 0},     {255, 255, 255}, {200, 30, 40},  {20, 160, 60},
                         {30, 60, 210}, {250, 220, 90},  {120, 70, 20},  {90, 200, 230}};
int ColourAt(int x, int y) { return ((x / 7) + (y / 5) * 3 + (x * y) % 3) % 8; }

std::vector<unsigned char> Bmp24(int w, int h) {
    const int stride = (w * 3 + 3) & ~3;
    std::vector<unsigned char> b = BmpStart(w, h, 24, 0, 0, std::size_t(stride) * std::size_t(h));
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const Rgb c = kColours[ColourAt(x, y)];
            b.push_back(static_cast<unsigned char>(c.b));
            b.push_back(static_cast<unsigned char>(c.g));
            b.push_back(static_cast<unsigned char>(c.r));
        }
        for (int pad = w * 3; pad < stride; ++pad) b.push_back(0);
    }
    return b;
}

// Run-length encoded, 8 bits a pixel: what common tools write for pictures of few colours.
std::vector<unsigned char> BmpRle8(int w, int h) {
    std::vector<unsigned char> data;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w;) {
            int run = 1;
            while (x + run < w && run < 255 && ColourAt(x + run, y) == ColourAt(x, y)) ++run;
            data.push_back(static_cast<unsigned char>(run));
            data.push_back(static_cast<unsigned char>(ColourAt(x, y)));
            x += run;
        }
        data.push_back(0);
        data.push_back(0);  // end of row
    }
    data.push_back(0);
    data.push_back(1);  // end of picture
    std::vector<unsigned char> b = BmpStart(w, h, 8, 1, 8, data.size());
    for (const Rgb& c : kColours) {
        b.push_back(static_cast<unsigned char>(c.b));
        b.push_back(static_cast<unsigned char>(c.g));
        b.push_back(static_cast<unsigned char>(c.r));
        b.push_back(0);
    }
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

std::vector<Uint32> Colours(const Image& image) {
    std::vector<Uint32> pixels;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) pixels.push_back(PixelAt(image, x, y));
    return pixels;
}

struct RunResult {
    std::uint64_t error;
    std::vector<unsigned char> saved;
};

RunResult Evolve(Image& target, const std::string& dir, int iterations) {
    UseTargetSize(target);
    std::srand(31);
    GeneticTest test(&target);
    const auto evaluator = MakeEvaluator(EvaluatorKind::Fast);
    for (int i = 0; i < iterations; ++i) evaluator->Evolve(test);
    const std::string file = dir + "/run.idx";
    EXPECT_TRUE(SaveProgress(test, file));
    return RunResult{test.bestError, ReadFile(file)};
}

class PictureFormats : public ::testing::Test {
protected:
    SettingsGuard guard;
    TempDir dir;
};

TEST_F(PictureFormats, BmpPngAndCompressedBmpGiveTheSamePixelsAndTheSameRun) {
    const int w = 40, h = 30;
    WriteFile(dir.File("plain.bmp"), Bmp24(w, h));
    WriteFile(dir.File("rle.bmp"), BmpRle8(w, h));
    Image reference{dir.File("plain.bmp")};
    ASSERT_TRUE(SavePng(reference, dir.File("same.png")));
    Image rle{dir.File("rle.bmp")};
    Image png{dir.File("same.png")};
    ASSERT_EQ(rle.Width(), w);
    ASSERT_EQ(png.Height(), h);
    EXPECT_EQ(Colours(rle), Colours(reference));
    EXPECT_EQ(Colours(png), Colours(reference));
    EXPECT_EQ(RgbAt(reference, 8, 0), kColours[ColourAt(8, 0)]);  // and they are the picture

    const RunResult a = Evolve(reference, dir.path, 400);
    const RunResult b = Evolve(png, dir.path, 400);
    const RunResult c = Evolve(rle, dir.path, 400);
    EXPECT_EQ(a.error, b.error);
    EXPECT_EQ(a.saved, b.saved);
    EXPECT_EQ(a.saved, c.saved);
}

TEST_F(PictureFormats, JpegTargetsLoadAndRun) {
    if (!Have("cjpeg")) GTEST_SKIP() << "cjpeg (libjpeg-turbo-progs) is not installed";
    WriteFile(dir.File("plain.bmp"), Bmp24(64, 48));
    ASSERT_EQ(RunProcess({"/bin/sh", "-c",
                          "cjpeg -quality 90 '" + dir.File("plain.bmp") + "' > '" +
                              dir.File("photo.jpg") + "'"})
                  .status,
              0);
    const ProcessResult r = RunProcess({POLYEVOLVE_BATCH_BIN, dir.File("photo.jpg"), "--seed",
                                        "2", "--iterations", "300"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("iterations:300 "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("error:99999999999999999"), std::string::npos) << "nothing accepted";
}

TEST_F(PictureFormats, AnOversizedPngIsRefusedWithTheSizeLine) {
    Image wide(8192, 1);
    wide.Clear();
    ASSERT_TRUE(SavePng(wide, dir.File("wide.png")));
    std::ostringstream err;
    EXPECT_EQ(LoadTarget(dir.File("wide.png"), err), nullptr);
    EXPECT_EQ(err.str(), "Target image <" + dir.File("wide.png") +
                             "> is 8192 x 1 pixels; at most 8191 x 32767 are supported.\n");
    std::ostringstream none;
    WriteFile(dir.File("text.png"), {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
    EXPECT_EQ(LoadTarget(dir.File("text.png"), none), nullptr);
    EXPECT_EQ(none.str(), "Error in image creation: unable to load image (<" + dir.File("text.png") +
                              ">: not a picture of a kind read here (BMP, JPEG, PNG, GIF, TIFF, WebP, HEIC, AVIF))\n");
}

// Pictures of every other kind go to the maintained decoders. Fixtures are made here: PNG by
// our own writer, the rest by the decoding library's own encoders.
class Decoders : public PictureFormats {
protected:
    // A w x h picture: red rising to the right, blue downward; `alpha` 0 leaves it transparent.
    VipsImage* Picture(int w, int h, int alpha = 255) {
        std::vector<unsigned char> rgba(std::size_t(w) * std::size_t(h) * 4);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                unsigned char* p = &rgba[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 4];
                p[0] = static_cast<unsigned char>(x * 255 / w);
                p[1] = 90;
                p[2] = static_cast<unsigned char>(y * 255 / h);
                p[3] = static_cast<unsigned char>(alpha);
            }
        VipsImage* image = vips_image_new_from_memory_copy(rgba.data(), rgba.size(), w, h, 4, VIPS_FORMAT_UCHAR);
        image->Type = VIPS_INTERPRETATION_sRGB;
        return image;
    }
    std::string Refusal(const std::string& path) {
        std::ostringstream err;
        EXPECT_EQ(LoadTarget(path, err), nullptr) << path;
        return err.str();
    }
};

TEST_F(Decoders, DamagedPicturesAreRefusedWithTheDecodersReason) {
    ASSERT_EQ(VIPS_INIT("tests"), 0);
    // A PNG cut in half, and one whose first chunk claims to run past the end of the file.
    Image picture = Filled(64, 48, Rgb{10, 200, 30});
    ASSERT_TRUE(SavePng(picture, dir.File("whole.png")));
    std::vector<unsigned char> png = ReadFile(dir.File("whole.png"));
    WriteFile(dir.File("half.png"), std::vector<unsigned char>(png.begin(), png.begin() + png.size() / 2));
    png[33] = png[34] = 0x7f;  // the length of the chunk after IHDR
    WriteFile(dir.File("long.png"), png);
    // A GIF of width 0.
    WriteFile(dir.File("flat.gif"), {'G', 'I', 'F', '8', '9', 'a', 0, 0, 10, 0, 0, 0, 0, ',', 0, 0, 0, 0, 0, 0, 10,
                                     0, 0, 2, 2, 'D', 1, 0, ';'});
    // A JPEG cut short.
    VipsImage* image = Picture(64, 48);
    ASSERT_EQ(vips_jpegsave(image, dir.File("whole.jpg").c_str(), nullptr), 0);
    const std::vector<unsigned char> jpeg = ReadFile(dir.File("whole.jpg"));
    WriteFile(dir.File("cut.jpg"), std::vector<unsigned char>(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3));
    WriteFile(dir.File("words.txt"), {'n', 'o', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
    // A picture, but of a kind not on the list.
    WriteFile(dir.File("tiny.ppm"), {'P', '6', '\n', '1', ' ', '1', '\n', '2', '5', '5', '\n', 1, 2, 3});
    EXPECT_NE(Refusal(dir.File("tiny.ppm")).find(">: PPM: not a picture of a kind read here"), std::string::npos);
    // A GIF of width 0 is read or refused, but never crashes.
    std::ostringstream gif;
    const auto flat = LoadTarget(dir.File("flat.gif"), gif);
    EXPECT_TRUE(flat == nullptr || (flat->Width() >= 1 && flat->Height() >= 1));
    for (const char* name : {"half.png", "long.png", "cut.jpg", "words.txt", "tiny.ppm"}) {
        const std::string line = Refusal(dir.File(name));
        EXPECT_EQ(line.rfind("Error in image creation: unable to load image (", 0), 0u) << name << ": " << line;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
    }
    std::ostringstream err;
    EXPECT_NE(LoadTarget(dir.File("whole.jpg"), err), nullptr) << err.str();
    g_object_unref(image);
}

TEST_F(Decoders, PhotosMeanWhatTheyShow) {
    ASSERT_EQ(VIPS_INIT("tests"), 0);
    // Turned by its EXIF orientation (6: a portrait taken with the phone on its side).
    VipsImage* wide = Picture(40, 20);
    VipsImage* copy = nullptr;
    ASSERT_EQ(vips_copy(wide, &copy, nullptr), 0);
    vips_image_set_int(copy, "orientation", 6);
    ASSERT_EQ(vips_jpegsave(copy, dir.File("portrait.jpg").c_str(), "Q", 95, nullptr), 0);
    std::ostringstream err;
    const auto portrait = LoadTarget(dir.File("portrait.jpg"), err);
    ASSERT_NE(portrait, nullptr) << err.str();
    EXPECT_EQ(portrait->Width(), 20);
    EXPECT_EQ(portrait->Height(), 40);
    // HEIC and AVIF load, where this libvips can write one to try it with. (Their turn is in
    // the file's own transform boxes, which the HEIF library applies; the writer here cannot
    // make them, so only the size is checked.)
    for (const char* name : {"wide.heic", "wide.avif"}) {
        const bool av1 = std::string(name).find("avif") != std::string::npos;
        if (vips_heifsave(wide, dir.File(name).c_str(), "compression",
                          av1 ? VIPS_FOREIGN_HEIF_COMPRESSION_AV1 : VIPS_FOREIGN_HEIF_COMPRESSION_HEVC, nullptr) != 0) {
            vips_error_clear();
            continue;
        }
        const auto heif = LoadTarget(dir.File(name), err);
        ASSERT_NE(heif, nullptr) << name << ": " << err.str();
        EXPECT_EQ(heif->Width(), 40) << name;
        EXPECT_EQ(heif->Height(), 20) << name;
    }

    // A phone's HEIC: the turn is in the file's transform box (here: a quarter turn
    // clockwise); a red mark at the top left of what was stored lands at the top right.
    {
        heif_context* context = heif_context_alloc();
        heif_encoder* encoder = nullptr;
        heif_image* stored = nullptr;
        ASSERT_EQ(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code, heif_error_Ok);
        heif_encoder_set_lossless(encoder, 1);
        heif_image_create(64, 32, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &stored);
        heif_image_add_plane(stored, heif_channel_interleaved, 64, 32, 8);
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(stored, heif_channel_interleaved, &stride);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x) {
                const bool mark = x < 16 && y < 8;
                std::uint8_t* rgb = plane + y * stride + 3 * x;
                rgb[0] = mark ? 255 : 0;
                rgb[1] = 0;
                rgb[2] = mark ? 0 : 255;
            }
        heif_encoding_options* options = heif_encoding_options_alloc();
        options->image_orientation = heif_orientation_rotate_90_cw;
        const bool written = heif_context_encode_image(context, stored, encoder, options, nullptr).code == heif_error_Ok &&
                             heif_context_write_to_file(context, dir.File("phone.heic").c_str()).code == heif_error_Ok;
        heif_encoding_options_free(options);
        heif_image_release(stored);
        heif_encoder_release(encoder);
        heif_context_free(context);
        ASSERT_TRUE(written);
        const auto phone = LoadTarget(dir.File("phone.heic"), err);
        ASSERT_NE(phone, nullptr) << err.str();
        EXPECT_EQ(phone->Width(), 32);
        EXPECT_EQ(phone->Height(), 64);
        // HEVC stores YCbCr, so the colours come back within a step or two.
        auto reddish = [&phone](int x, int y) {
            const Uint32 p = PixelAt(*phone, x, y);
            return (p >> 24) > 240 && ((p >> 8) & 0xff) < 16;
        };
        EXPECT_TRUE(reddish(28, 3));  // the mark, upright
        EXPECT_FALSE(reddish(3, 3));
        EXPECT_FALSE(reddish(28, 60));
    }

    // CMYK, converted back to the colours it shows.
    VipsImage* red = nullptr;
    VipsImage* flat = Picture(32, 32);
    VipsImage* rgb = nullptr;
    ASSERT_EQ(vips_extract_band(flat, &rgb, 0, "n", 3, nullptr), 0);
    double colour[3] = {220, 30, 40};
    ASSERT_EQ(vips_draw_rect(rgb, colour, 3, 0, 0, 32, 32, "fill", TRUE, nullptr), 0);
    ASSERT_EQ(vips_icc_export(rgb, &red, "output_profile", "cmyk", nullptr), 0);
    ASSERT_EQ(vips_jpegsave(red, dir.File("cmyk.jpg").c_str(), "Q", 95, nullptr), 0);
    const auto cmyk = LoadTarget(dir.File("cmyk.jpg"), err);
    ASSERT_NE(cmyk, nullptr) << err.str();
    const Rgb seen = RgbAt(*cmyk, 16, 16);
    EXPECT_NEAR(seen.r, 220, 30);
    EXPECT_NEAR(seen.g, 30, 30);
    EXPECT_NEAR(seen.b, 40, 30);

    // Transparent parts are flattened onto black, the same in every format.
    VipsImage* clear = Picture(24, 16, 0);
    ASSERT_EQ(vips_pngsave(clear, dir.File("clear.png").c_str(), nullptr), 0);
    ASSERT_EQ(vips_tiffsave(clear, dir.File("clear.tif").c_str(), nullptr), 0);
    const auto png = LoadTarget(dir.File("clear.png"), err), tiff = LoadTarget(dir.File("clear.tif"), err);
    ASSERT_NE(png, nullptr);
    ASSERT_NE(tiff, nullptr);
    EXPECT_EQ(Colours(*png), Colours(*tiff));
    EXPECT_EQ(RgbAt(*png, 20, 10), (Rgb{0, 0, 0}));
    const auto onRed = LoadTarget(dir.File("clear.tif"), err, 0, 0xff0000);  // --background ff0000
    ASSERT_NE(onRed, nullptr);
    EXPECT_EQ(RgbAt(*onRed, 20, 10), (Rgb{255, 0, 0}));
    for (VipsImage* i : {wide, copy, red, flat, rgb, clear}) g_object_unref(i);
}

// A photo larger than any target loads when the run shrinks it anyway, shrunk while loading.
TEST_F(Decoders, BigSourcesShrinkWhileTheyLoad) {
    ASSERT_EQ(VIPS_INIT("tests"), 0);
    VipsImage* big = nullptr;
    ASSERT_EQ(vips_black(&big, 8200, 6000, "bands", 3, nullptr), 0);
    ASSERT_EQ(vips_jpegsave(big, dir.File("big.jpg").c_str(), nullptr), 0);
    std::ostringstream err;
    EXPECT_EQ(LoadTarget(dir.File("big.jpg"), err), nullptr);
    EXPECT_EQ(err.str(), "Target image <" + dir.File("big.jpg") + "> is 8200 x 6000 pixels; at most 8191 x 32767 are supported.\n");
    const auto small = LoadTarget(dir.File("big.jpg"), err, 400);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->Width(), 400);
    EXPECT_EQ(small->Height(), 293);
    g_object_unref(big);
}

// A drawing grown on the sample, saved, and the three exports of it.
class Export : public PictureFormats {
protected:
    void SetUp() override {
        Image target{std::string(POLYEVOLVE_SAMPLE)};
        UseTargetSize(target);
        std::srand(12);
        GeneticTest test(&target);
        const auto evaluator = MakeEvaluator(EvaluatorKind::Fast);
        for (int i = 0; i < 6000; ++i) evaluator->Evolve(test);
        polygons = test.best.polygons.size();
        ASSERT_TRUE(SaveProgress(test, progress = dir.File("run.idx")));
        ASSERT_TRUE(SavePicture(test, picture = dir.File("run.out.bmp")));
        bError = test.canvas.Compare(target);
    }
    ProcessResult Run(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {POLYEVOLVE_EXPORT_BIN};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv);
    }
    std::string progress, picture;
    std::size_t polygons = 0;
    std::uint64_t bError = 0;
};

TEST_F(Export, SvgIsWellFormedHoldsEveryPolygonAndLooksLikeTheRender) {
    const std::string svg = dir.File("run.svg");
    const ProcessResult r = Run({POLYEVOLVE_SAMPLE, progress, svg});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<unsigned char> bytes = ReadFile(svg);
    const std::string text(bytes.begin(), bytes.end());
    // One element per polygon, in painting order, with its colour and opacity.
    Image target{std::string(POLYEVOLVE_SAMPLE)};
    UseTargetSize(target);
    GeneticTest test(&target);
    ASSERT_EQ(LoadProgress(test, progress), LoadResult::Loaded);
    std::size_t at = 0, count = 0;
    for (const DnaPolygon& p : test.best.polygons) {
        char colour[48];
        std::snprintf(colour, sizeof colour, "fill=\"#%02x%02x%02x\" fill-opacity=\"%.4g\"",
                      p.color >> 24, (p.color >> 16) & 0xff, (p.color >> 8) & 0xff,
                      double(p.color & 0xff) / 255.0);
        at = text.find("<polygon ", at);
        ASSERT_NE(at, std::string::npos);
        const std::size_t end = text.find("/>", at);
        EXPECT_NE(text.substr(at, end - at).find(colour), std::string::npos) << colour;
        at = end;
        ++count;
    }
    EXPECT_EQ(count, polygons);
    EXPECT_EQ(text.find("<polygon ", at), std::string::npos);
    // The target's size, the covered part stretched over it.
    EXPECT_NE(text.find("viewBox=\"0 0 200 200\""), std::string::npos);

    if (!Have("xmllint") || !Have("rsvg-convert"))
        GTEST_SKIP() << "xmllint (libxml2-utils) or rsvg-convert (librsvg2-bin) missing";
    EXPECT_EQ(RunProcess({"/usr/bin/xmllint", "--noout", svg}).status, 0);
    const std::string rendered = dir.File("svg.png");
    ASSERT_EQ(RunProcess({"/usr/bin/rsvg-convert", svg, "-o", rendered}).status, 0);
    const Image shown{rendered};
    ASSERT_EQ(shown.Width(), 200);
    const std::uint64_t svgError = shown.Compare(target);
    EXPECT_LT(double(svgError), 1.05 * double(bError)) << svgError << " against " << bError;
    EXPECT_GT(double(svgError), 0.95 * double(bError)) << svgError << " against " << bError;
}

// A shape search's drawing of many small shapes: its SVG, drawn by another renderer, is the
// drawing that was scored, not one stretched over the picture's last row and column.
TEST_F(Export, AShapeSearchsSvgLooksLikeItsPicture) {
    if (!Have("rsvg-convert")) GTEST_SKIP() << "rsvg-convert (librsvg2-bin) missing";
    const std::string prefix = dir.File("shapes");
    ASSERT_EQ(RunProcess({POLYEVOLVE_BATCH_BIN, POLYEVOLVE_HARBOUR, "--seed", "1", "--iterations", "3000", "--save",
                          prefix, "--quiet"}).status, 0);
    ASSERT_EQ(RunProcess({"/usr/bin/rsvg-convert", prefix + ".out.svg", "-o", dir.File("shapes-svg.png")}).status, 0);
    const Image target{std::string(POLYEVOLVE_HARBOUR)};
    const double png = double(Image{prefix + ".out.png"}.Compare(target));
    const double svg = double(Image{dir.File("shapes-svg.png")}.Compare(target));
    EXPECT_LT(std::sqrt(svg / png), 1.05) << svg << " against " << png;
    // Rectangles are written as rectangles, and drawn as the picture is.
    const ProcessResult rectangles = RunProcess({POLYEVOLVE_BATCH_BIN, POLYEVOLVE_HARBOUR, "--shape", "rectangle", "--seed",
                                                 "1", "--iterations", "3000", "--save", prefix, "--force", "--quiet"});
    ASSERT_EQ(rectangles.status, 0);
    const std::vector<unsigned char> bytes = ReadFile(prefix + ".out.svg");
    std::string text(bytes.begin(), bytes.end());
    auto count = [&text](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    // All but the first drawing's random triangles, until replacements take them; and the
    // background's rectangle.
    EXPECT_LE(count("<polygon "), 3u);
    EXPECT_EQ(count("<polygon ") + count("<rect ") - 1, std::stoul(Fields(rectangles.out).at("polygons")));
    ASSERT_EQ(RunProcess({"/usr/bin/rsvg-convert", prefix + ".out.svg", "-o", dir.File("rects.png")}).status, 0);
    const double rectsPng = double(Image{prefix + ".out.png"}.Compare(target));
    const double rectsSvg = double(Image{dir.File("rects.png")}.Compare(target));
    EXPECT_LT(std::sqrt(rectsSvg / rectsPng), 1.05) << rectsSvg << " against " << rectsPng;
    // Every other kind in its own element, each shape once, drawn as the picture is.
    for (const auto& [kind, element] : std::vector<std::pair<std::string, std::string>>{
             {"rotated-rectangle", "<rect transform"}, {"ellipse", "<ellipse "}, {"rotated-ellipse", "<ellipse "},
             {"circle", "<circle "}, {"curve", "<path d="}}) {
        const ProcessResult r = RunProcess({POLYEVOLVE_BATCH_BIN, POLYEVOLVE_HARBOUR, "--shape", kind, "--seed", "1",
                                            "--iterations", "1000", "--save", prefix, "--force", "--quiet"});
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<unsigned char> svgBytes = ReadFile(prefix + ".out.svg");
        text.assign(svgBytes.begin(), svgBytes.end());
        text = std::regex_replace(text, std::regex("<rect x=\"[-0-9.e]+\" y=\"[-0-9.e]+\" width=\"[0-9.e]+\" height=\"[0-9.e]+\" transform"), "<rect transform");
        // (The first drawing's random triangles stay polygons until replacements take them.)
        EXPECT_EQ(count(element) + count("<polygon "), std::stoul(Fields(r.out).at("polygons"))) << kind;
        EXPECT_GT(count(element), 20u) << kind;
        ASSERT_EQ(RunProcess({"/usr/bin/rsvg-convert", prefix + ".out.svg", "-o", dir.File("kind.png")}).status, 0);
        const double kindPng = double(Image{prefix + ".out.png"}.Compare(target));
        const double kindSvg = double(Image{dir.File("kind.png")}.Compare(target));
        EXPECT_LT(std::sqrt(kindSvg / kindPng), 1.05) << kind << ": " << kindSvg << " against " << kindPng;
    }
}

// A drawing written as JSON (for code of one's own) is the drawing: read back by the
// exporter it draws the very same pictures as its progress file, at any scale, also when it
// was evolved on a smaller copy; damage in it is named.
TEST_F(Export, ADrawingAsJsonDrawsTheSamePictures) {
    const std::string p = dir.File("small");
    ASSERT_EQ(RunProcess({POLYEVOLVE_BATCH_BIN, POLYEVOLVE_HARBOUR, "--seed", "4", "--iterations", "400", "--max-size",
                          "100", "--save", p, "--quiet"}).status, 0);
    const std::string json = dir.File("shapes.json");
    ASSERT_EQ(Run({POLYEVOLVE_HARBOUR, p + ".idx", json}).status, 0);
    const std::vector<unsigned char> bytes = ReadFile(json);
    const nlohmann::json drawing = nlohmann::json::parse(bytes.begin(), bytes.end());
    EXPECT_EQ(drawing.at("version"), 1);
    EXPECT_EQ(drawing.at("width"), 100);
    EXPECT_EQ(drawing.at("picture_width"), 256);
    const std::vector<unsigned char> record = ReadFile(p + ".json");
    EXPECT_EQ(drawing.at("background"), nlohmann::json::parse(record.begin(), record.end()).at("background"));
    ASSERT_GE(drawing.at("shapes").size(), 5u);
    EXPECT_EQ(drawing.at("shapes")[0].at("kind"), "polygon");
    for (const std::string& out : {std::string("a.png"), std::string("a.svg")})
        for (const std::string& scale : {std::string("1"), std::string("2.5")}) {
            ASSERT_EQ(Run({POLYEVOLVE_HARBOUR, json, dir.File("j" + out), "--scale", scale}).status, 0);
            ASSERT_EQ(Run({POLYEVOLVE_HARBOUR, p + ".idx", dir.File("i" + out), "--scale", scale}).status, 0);
            EXPECT_EQ(ReadFile(dir.File("j" + out)), ReadFile(dir.File("i" + out))) << out << " at " << scale;
        }
    const std::string text(bytes.begin(), bytes.end());
    for (const auto& [damaged, why] : std::vector<std::pair<std::string, std::string>>{
             {"[1, 2]", "not a drawing of ours"},
             {text.substr(0, text.size() / 2), "not a drawing of ours"},
             {std::regex_replace(text, std::regex("\"alpha\":[0-9]+"), "\"alpha\":300", std::regex_constants::format_first_only),
              "shape 1's alpha is not a whole number from 0 to 255"},
             {std::regex_replace(text, std::regex("\"kind\":\"polygon\""), "\"kind\":\"ellipse\"", std::regex_constants::format_first_only),
              "shape 1 has no number \"cx\""},
             {std::regex_replace(text, std::regex("\"version\":1"), "\"version\":3"), "version 3, newer than this build reads (2)"}}) {
        WriteFile(dir.File("bad.json"), std::vector<unsigned char>(damaged.begin(), damaged.end()));
        const ProcessResult r = Run({POLYEVOLVE_HARBOUR, dir.File("bad.json"), dir.File("bad.png")});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("Drawing <" + dir.File("bad.json") + "> is damaged (" + why), std::string::npos) << r.err;
        EXPECT_FALSE(FileExists(dir.File("bad.png")));
    }
    // NAME.json beside NAME.idx is its record: not written over.
    EXPECT_EQ(Run({POLYEVOLVE_HARBOUR, p + ".idx", p + ".json"}).status, 2);
    EXPECT_EQ(ReadFile(p + ".json"), record);
}

// SVGs for the web: one that scales to its box, blurred, as a data URI; and a placeholder of
// 16 shapes under a kilobyte that looks like the picture.
TEST_F(Export, SvgsForTheWebAndPlaceholders) {
    const std::string p = dir.File("web");
    const ProcessResult run = RunProcess({POLYEVOLVE_BATCH_BIN, POLYEVOLVE_HARBOUR, "--seed", "3", "--placeholder",
                                          "--iterations", "1500", "--save", p, "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Fields(run.out).at("polygons"), "16");
    EXPECT_EQ(Fields(run.out).at("size"), "64x64");
    auto text = [](const std::string& path) {
        const std::vector<unsigned char> bytes = ReadFile(path);
        return std::string(bytes.begin(), bytes.end());
    };
    const std::string svg = text(p + ".out.svg"), uri = text(p + ".out.txt");
    EXPECT_LT(svg.size(), 1024u) << svg;
    EXPECT_EQ(svg.substr(0, svg.find('>')).find(" width="), std::string::npos) << svg;  // it scales to its box
    EXPECT_NE(svg.find("<feGaussianBlur"), std::string::npos);
    EXPECT_EQ(uri.rfind("data:image/svg+xml,%3Csvg xmlns='http://www.w3.org/2000/svg' viewBox=", 0), 0u) << uri;
    EXPECT_EQ(uri.find_first_of("<>\"#"), std::string::npos);
    EXPECT_EQ(std::count(uri.begin(), uri.end(), '\n'), 1);
    // The exporter writes the same from the progress file.
    ASSERT_EQ(Run({POLYEVOLVE_HARBOUR, p + ".idx", dir.File("e.txt"), "--placeholder"}).status, 0);
    EXPECT_EQ(text(dir.File("e.txt")), uri);
    ASSERT_EQ(Run({POLYEVOLVE_HARBOUR, p + ".idx", dir.File("v.svg"), "--viewbox", "--blur", "2"}).status, 0);
    const std::string scaled = text(dir.File("v.svg"));
    EXPECT_EQ(scaled.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 256 256\">", 0), 0u) << scaled;
    EXPECT_NE(scaled.find("stdDeviation=\"2\""), std::string::npos);
    EXPECT_EQ(Run({POLYEVOLVE_HARBOUR, p + ".idx", dir.File("v.png"), "--blur", "2"}).status, 2);
    if (!Have("rsvg-convert")) GTEST_SKIP() << "rsvg-convert (librsvg2-bin) missing";
    // Drawn at the picture's size, the blurred placeholder is near the picture as its PNG is
    // (the blur takes a little; unblurred, it is within 4 %).
    ASSERT_EQ(RunProcess({"/usr/bin/rsvg-convert", p + ".out.svg", "-w", "256", "-h", "256", "-o", dir.File("r.png")}).status, 0);
    // (Its own picture is the small copy it was drawn on; the exporter draws it full size.)
    EXPECT_EQ(Image{p + ".out.png"}.Width(), 64);
    ASSERT_EQ(Run({POLYEVOLVE_HARBOUR, p + ".idx", dir.File("full.png")}).status, 0);
    const Image target{std::string(POLYEVOLVE_HARBOUR)};
    const double png = double(Image{dir.File("full.png")}.Compare(target));
    const double shown = double(Image{dir.File("r.png")}.Compare(target));
    EXPECT_LT(std::sqrt(shown / png), 1.15) << shown << " against " << png;
}

// Pipes: "-" as TARGET reads the picture from standard input, "-" as OUTPUT writes to
// standard output (its kind by --format), nothing else on it; lines stay on standard error.
TEST_F(Export, PicturesInAndOutThroughPipes) {
    const std::string p = dir.File("piped");
    const std::string batch = POLYEVOLVE_BATCH_BIN, exporter = POLYEVOLVE_EXPORT_BIN, harbour = POLYEVOLVE_HARBOUR;
    const ProcessResult in = RunProcess({"/bin/sh", "-c", "'" + batch + "' - --seed 2 --iterations 30 --save '" + p +
                                                              "' --quiet < '" + harbour + "'"});
    ASSERT_EQ(in.status, 0) << in.err;
    EXPECT_EQ(Fields(in.out).at("target"), "-");
    for (const std::string format : {"png", "svg", "json"}) {
        const ProcessResult out = RunProcess({"/bin/sh", "-c", "'" + exporter + "' - '" + p + ".idx' - --format " + format +
                                                                   " < '" + harbour + "' > '" + dir.File("out-piped." + format) + "'"});
        ASSERT_EQ(out.status, 0) << out.err;
        EXPECT_EQ(out.err, "");
        ASSERT_EQ(Run({harbour, p + ".idx", dir.File("file." + format)}).status, 0);
        EXPECT_EQ(ReadFile(dir.File("out-piped." + format)), ReadFile(dir.File("file." + format))) << format;
    }
    const ProcessResult damaged =
        RunProcess({"/bin/sh", "-c", "printf 'GIF89a' | '" + batch + "' - --iterations 1 --save '" + p + "' --force"});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.err.find("(<standard input>: damaged GIF"), std::string::npos) << damaged.err;
    EXPECT_EQ(Run({harbour, p + ".idx", "-"}).status, 2);
}

TEST_F(Export, PngEqualsTheBmpPictureAndScales) {
    ASSERT_EQ(Run({POLYEVOLVE_SAMPLE, progress, dir.File("one.png")}).status, 0);
    ASSERT_EQ(Run({POLYEVOLVE_SAMPLE, progress, dir.File("two.png"), "--scale", "2"}).status, 0);
    ASSERT_EQ(Run({POLYEVOLVE_SAMPLE, progress, dir.File("wide.bmp"), "--width", "300"}).status, 0);
    ASSERT_EQ(Run({POLYEVOLVE_SAMPLE, progress, dir.File("same.bmp")}).status, 0);
    const Image one{dir.File("one.png")}, same{dir.File("same.bmp")}, two{dir.File("two.png")}, bmp{picture};
    // The b picture's very pixels, but for the last row and column that the error leaves out:
    // those repeat their neighbours.
    ASSERT_EQ(one.Width(), 200);
    ASSERT_EQ(one.Height(), 200);
    ASSERT_EQ(same.Width(), 200);
    int differ = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            const Rgb b = RgbAt(bmp, std::min(x, 198), std::min(y, 198));
            differ += !(RgbAt(one, x, y) == b) + !(RgbAt(same, x, y) == b);
        }
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(two.Width(), 400);
    EXPECT_EQ(two.Height(), 400);
    const Image wide{dir.File("wide.bmp")};
    EXPECT_EQ(wide.Width(), 300);
    // Twice the size, and still the same picture: each 2 x 2 block mostly the pixel it grew from.
    int close = 0;
    for (int y = 0; y < 199; ++y)
        for (int x = 0; x < 199; ++x) close += RgbAt(two, 2 * x, 2 * y) == RgbAt(one, x, y);
    EXPECT_GT(close, 199 * 199 * 8 / 10);
}

// A poster rendered in strips: the very pixels of one render in one piece, where the strips
// meet too, and no dark band at the right or the bottom.
TEST_F(Export, PostersOfAnySize) {
    const std::string poster = dir.File("poster.png");
    const ProcessResult r = Run({POLYEVOLVE_SAMPLE, progress, poster, "--width", "3000"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Image big{poster};
    ASSERT_EQ(big.Width(), 3000);
    ASSERT_EQ(big.Height(), 3000);
    Image target{std::string(POLYEVOLVE_SAMPLE)};
    UseTargetSize(target);
    GeneticTest test(&target);
    ASSERT_EQ(LoadProgress(test, progress), LoadResult::Loaded);
    const Image whole = RenderScaled(test.best, OutputSizeOf(200, 200, 3000.0 / 200.0));
    ASSERT_EQ(whole.Width(), 3000);
    int differ = 0;
    for (int y = 0; y < 3000; ++y)
        for (int x = 0; x < 3000; ++x) differ += !(RgbAt(whole, x, y) == RgbAt(big, x, y));
    EXPECT_EQ(differ, 0);
    // The last columns and rows are as bright as the target where they come from (its last
    // counted column and row), not darkened by the column and row the error leaves out.
    auto brightness = [](const Image& image, int x0, int y0, int w, int h) {
        long long sum = 0;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) {
                const Rgb c = RgbAt(image, x, y);
                sum += c.r + c.g + c.b;
            }
        return double(sum) / (w * h);
    };
    EXPECT_NEAR(brightness(big, 2990, 0, 10, 3000), brightness(target, 198, 0, 1, 199), 40.0);
    EXPECT_NEAR(brightness(big, 0, 2990, 3000, 10), brightness(target, 0, 198, 199, 1), 40.0);
    const ProcessResult tooBig = Run({POLYEVOLVE_SAMPLE, progress, poster, "--scale", "200"});
    EXPECT_EQ(tooBig.status, 1);
    EXPECT_EQ(tooBig.err, "A picture of 40000 x 40000 pixels is too large: at most 32768 on a side and 1073741824 pixels in all.\n");
}

TEST_F(Export, BadInputsWriteNothing) {
    const std::string out = dir.File("out.svg");
    for (const auto& [args, line] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{}, "TARGET PROGRESS.idx|DRAWING.json OUTPUT: three files are needed"},
             {{POLYEVOLVE_SAMPLE, progress}, "TARGET PROGRESS.idx|DRAWING.json OUTPUT: three files are needed"},
             {{POLYEVOLVE_SAMPLE, progress, dir.File("out.gif")}, dir.File("out.gif") + ": does not end in .svg, .png, .bmp or .json"},
             {{POLYEVOLVE_SAMPLE, progress, out, "--scale", "0"}, "--scale: 0 is not a positive number"},
             {{POLYEVOLVE_SAMPLE, progress, out, "--scale", "-1"}, "--scale: -1 is not a positive number"},
             {{POLYEVOLVE_SAMPLE, progress, out, "--width", "2.5"}, "--width: 2.5 is not a whole number from 1 to 32768"},
             {{POLYEVOLVE_SAMPLE, progress, out, "--scale", "2", "--width", "10"}, "--scale excludes --width"},
             {{POLYEVOLVE_SAMPLE, progress, out, "extra"}, "extra: not expected here"},
         }) {
        const ProcessResult r = Run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, line + " (polyevolve-export --help lists the options)\n");
    }
    const ProcessResult help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--width"), std::string::npos);
    std::vector<unsigned char> cut = ReadFile(progress);
    cut.resize(cut.size() / 2);
    WriteFile(dir.File("cut.idx"), cut);
    const ProcessResult damaged = Run({POLYEVOLVE_SAMPLE, dir.File("cut.idx"), out});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(damaged.err, "Progress file <" + dir.File("cut.idx") + "> is damaged (it ends early).\n");
    const ProcessResult missing = Run({POLYEVOLVE_SAMPLE, dir.File("none.idx"), out});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Unable to open progress file <" + dir.File("none.idx") + ">.\n");
    const ProcessResult noTarget = Run({dir.File("none.bmp"), progress, out});
    EXPECT_EQ(noTarget.status, 1);
    EXPECT_EQ(noTarget.err, "Error in image creation: unable to load image (<" + dir.File("none.bmp") + ">: no such file)\n");
    EXPECT_FALSE(FileExists(out));
    const ProcessResult listing = RunProcess({"/bin/ls", "-A", dir.path});
    EXPECT_EQ(listing.out, "cut.idx\nrun.idx\nrun.out.bmp\n");
}

}  // namespace

namespace {

// The time-lapses of a run read back with the formats' own decoders: as many frames as asked,
// each the size of the part of the target the error counts.
TEST(Timelapse, WebpAndGifHoldEveryFrame) {
    TempDir dir;
    // Frames spread over the run, or one every N iterations (and the first and last).
    const std::vector<std::pair<std::vector<std::string>, int>> ways = {
        {{"--iterations", "3000", "--timelapse-frames", "40"}, 40}, {{"--iterations", "1000", "--every", "100"}, 11}};
    for (const auto& [options, expected] : ways)
    for (const char* name : {"run.webp", "run.gif"}) {
        const std::string path = dir.File(name);
        std::vector<std::string> argv = {POLYEVOLVE_BATCH_BIN, POLYEVOLVE_SAMPLE, "--seed", "3", "--timelapse", path, "--quiet"};
        argv.insert(argv.end(), options.begin(), options.end());
        const ProcessResult r = RunProcess(argv);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "Saved a time-lapse of " + std::to_string(expected) + " frames to <" + path + ">.\n");
        const std::vector<unsigned char> bytes = ReadFile(path);
        int frames = 0, width = 0, height = 0;
        if (std::string(name).find("webp") != std::string::npos) {
            WebPData data{bytes.data(), bytes.size()};
            WebPDemuxer* demux = WebPDemux(&data);
            ASSERT_NE(demux, nullptr);
            // The encoder shows a picture that did not change as one longer frame: the frames
            // are counted by their time (100 ms each, the last 2 s), and the moments that
            // differ by the frames stored.
            int milliseconds = 0, stored = 0;
            WebPIterator frame;
            if (WebPDemuxGetFrame(demux, 1, &frame)) {
                do milliseconds += frame.duration, ++stored;
                while (WebPDemuxNextFrame(&frame));
                WebPDemuxReleaseIterator(&frame);
            }
            EXPECT_GE(stored, 5) << name;
            frames = (milliseconds - 2000) / 100 + 1;
            width = int(WebPDemuxGetI(demux, WEBP_FF_CANVAS_WIDTH));
            height = int(WebPDemuxGetI(demux, WEBP_FF_CANVAS_HEIGHT));
            WebPDemuxDelete(demux);
        } else {
            int error = 0;
            GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
            ASSERT_NE(gif, nullptr);
            ASSERT_EQ(DGifSlurp(gif), GIF_OK);
            frames = gif->ImageCount;
            width = gif->SWidth;
            height = gif->SHeight;
            DGifCloseFile(gif, &error);
        }
        EXPECT_EQ(frames, expected) << name;
        EXPECT_EQ(width, 200) << name;
        EXPECT_EQ(height, 200) << name;
    }
    // Each GIF frame shows the drawing's own colours (the PNG frame of the same moment) within
    // what 256 colours allow, and the last is held 2 s as the WebP's is.
    const std::string gifPath = dir.File("frames.gif");
    const ProcessResult framed = RunProcess({POLYEVOLVE_BATCH_BIN, POLYEVOLVE_HARBOUR, "--seed", "1340262280",
                                             "--iterations", "2000", "--every", "250", "--timelapse", gifPath,
                                             "--frames", dir.File("f%09d.png"), "--quiet"});
    ASSERT_EQ(framed.status, 0) << framed.err;
    const ProcessResult listed = RunProcess({"/bin/sh", "-c", "ls " + dir.path + "/f*.png"});
    std::vector<std::string> pngs;
    std::istringstream names(listed.out);
    for (std::string line; std::getline(names, line);) pngs.push_back(line);
    int error = 0;
    GifFileType* gif = DGifOpenFileName(gifPath.c_str(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    ASSERT_EQ(std::size_t(gif->ImageCount), pngs.size() + 1);  // and the first drawing
    for (std::size_t k = 1; k < std::size_t(gif->ImageCount); ++k) {
        const SavedImage& frame = gif->SavedImages[k];
        const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
        const Image png{pngs[k - 1]};
        ASSERT_EQ(png.Width(), frame.ImageDesc.Width);
        int far = 0;
        long long total = 0;
        for (int y = 0; y < png.Height(); ++y)
            for (int x = 0; x < png.Width(); ++x) {
                const GifColorType c = map->Colors[frame.RasterBits[y * png.Width() + x]];
                const Rgb want = RgbAt(png, x, y);
                const int d = std::max({std::abs(c.Red - want.r), std::abs(c.Green - want.g), std::abs(c.Blue - want.b)});
                far += d > 40;
                total += d;
            }
        const int pixels = png.Width() * png.Height();
        EXPECT_LT(far, pixels / 200) << "frame " << k;
        EXPECT_LT(double(total) / pixels, 4.0) << "frame " << k;
    }
    GraphicsControlBlock last{};
    ASSERT_EQ(DGifSavedExtensionToGCB(gif, gif->ImageCount - 1, &last), GIF_OK);
    EXPECT_EQ(last.DelayTime, 200);
    DGifCloseFile(gif, &error);
    const ProcessResult unplaced = RunProcess({POLYEVOLVE_BATCH_BIN, POLYEVOLVE_SAMPLE, "--timelapse", dir.File("x.gif")});
    EXPECT_EQ(unplaced.status, 2);
    EXPECT_EQ(unplaced.err, "--timelapse: needs --every N, --iterations N or --seconds S to place its frames "
                            "(polyevolve-batch --help lists the options)\n");
}

}  // namespace
