#include "TestSupport.h"

#include "files/Target.h"
#include "image/Downscale.h"
#include "image/PictureKind.h"

#include <vips/vips.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

// The pictures people have: phone photos turned by their EXIF tag at full size, damaged
// files, files whose header claims far more than they hold, and paths that are no picture.

namespace {

// A w x h sRGB picture in four quadrants: red top left, green top right, blue bottom left,
// white bottom right, with a faint texture so that encoders have real work.
VipsImage* Quadrants(int w, int h) {
    std::vector<unsigned char> rgb(std::size_t(w) * std::size_t(h) * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &rgb[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3];
            const bool left = x < w / 2, top = y < h / 2;
            const int grain = (x * 7 + y * 13) % 24;
            p[0] = static_cast<unsigned char>((top == left || (top && left) ? 220 : 10) + grain);
            p[1] = static_cast<unsigned char>((!left ? 220 : 10) + grain);
            p[2] = static_cast<unsigned char>((!top ? 220 : 10) + grain);
        }
    VipsImage* image = vips_image_new_from_memory_copy(rgb.data(), rgb.size(), w, h, 3, VIPS_FORMAT_UCHAR);
    image->Type = VIPS_INTERPRETATION_sRGB;
    return image;
}

// Which quadrant colour a pixel shows: 'r', 'g', 'b', 'w' or '?'.
char Quadrant(const Image& image, int x, int y) {
    const Rgb c = RgbAt(image, x, y);
    auto hi = [](int v) { return v > 160; };
    if (hi(c.r) && !hi(c.g) && !hi(c.b)) return 'r';
    if (!hi(c.r) && hi(c.g) && !hi(c.b)) return 'g';
    if (!hi(c.r) && !hi(c.g) && hi(c.b)) return 'b';
    if (hi(c.r) && hi(c.g) && hi(c.b)) return 'w';
    return '?';
}

// The stored quadrants, read top left, top right, bottom left, bottom right, as an upright
// viewer shows them for each EXIF orientation.
const char* const kUpright[9] = {"", "rgbw", "grwb", "wbgr", "bwrg", "rbgw", "brwg", "wgbr", "gwrb"};

class Photos : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(VIPS_INIT("tests"), 0); }
    std::string Save(VipsImage* image, const std::string& name, int orientation = 1) {
        VipsImage* copy = nullptr;
        EXPECT_EQ(vips_copy(image, &copy, nullptr), 0);
        vips_image_set_int(copy, "orientation", orientation);
        const std::string path = dir.File(name);
        EXPECT_EQ(vips_image_write_to_file(copy, path.c_str(), nullptr), 0) << vips_error_buffer();
        g_object_unref(copy);
        return path;
    }
    std::string Corners(const Image& image) {
        const int w = image.Width(), h = image.Height();
        return {Quadrant(image, w / 4, h / 4), Quadrant(image, 3 * w / 4, h / 4), Quadrant(image, w / 4, 3 * h / 4),
                Quadrant(image, 3 * w / 4, 3 * h / 4)};
    }
    TempDir dir;
};

TEST_F(Photos, EveryOrientationComesOutUprightAtAnySize) {
    VipsImage* photo = Quadrants(1600, 1200);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::string path = Save(photo, "o" + std::to_string(orientation) + ".jpg", orientation);
        std::ostringstream err;
        const auto image = LoadTarget(path, err);
        ASSERT_NE(image, nullptr) << orientation << ": " << err.str();
        const bool turned = orientation >= 5;
        EXPECT_EQ(image->Width(), turned ? 1200 : 1600) << orientation;
        EXPECT_EQ(image->Height(), turned ? 1600 : 1200) << orientation;
        EXPECT_EQ(Corners(*image), kUpright[orientation]) << "orientation " << orientation;
        EXPECT_EQ(err.str(), "");
    }
    g_object_unref(photo);
    // A 12-megapixel portrait from a phone, and a TIFF carrying the tag too.
    VipsImage* big = Quadrants(4000, 3000);
    std::ostringstream err;
    const auto phone = LoadTarget(Save(big, "phone.jpg", 6), err);
    ASSERT_NE(phone, nullptr) << err.str();
    EXPECT_EQ(phone->Width(), 3000);
    EXPECT_EQ(Corners(*phone), kUpright[6]);
    const auto tiff = LoadTarget(Save(big, "tagged.tif", 8), err);
    ASSERT_NE(tiff, nullptr) << err.str();
    EXPECT_EQ(Corners(*tiff), kUpright[8]);
    g_object_unref(big);
}

// A corpus of seeded bit flips and cuts of every kind: none loads without a line naming it,
// unless the damage changed nothing that can be seen or the format has no way to tell.
TEST_F(Photos, NoDamagedPictureLoadsSilently) {
    VipsImage* photo = Quadrants(320, 240);
    std::srand(2026);
    int refused = 0, warned = 0;
    for (const char* name : {"p.jpg", "p.png", "p.gif", "p.tif[compression=deflate]", "p.tif[compression=jpeg]", "p.webp"}) {
        const std::string kind = name;
        const std::string whole = Save(photo, kind);
        const std::string path = whole.substr(0, whole.find('['));
        std::ostringstream wholeErr;
        const auto original = LoadTarget(path, wholeErr);
        ASSERT_NE(original, nullptr) << wholeErr.str();
        const std::vector<unsigned char> bytes = ReadFile(path);
        for (int k = 0; k < 16; ++k) {
            std::vector<unsigned char> damaged = bytes;
            const bool cut = k >= 12;
            if (cut) {
                damaged.resize(bytes.size() * std::size_t(k - 11) / 5);
            } else {
                for (int flip = 0; flip < 3; ++flip)
                    damaged[64 + std::size_t(std::rand()) % (damaged.size() - 64)] ^= static_cast<unsigned char>(1 << (std::rand() % 8));
            }
            const std::string copy = dir.File("damaged-" + std::to_string(k) + path.substr(path.rfind('.')));
            WriteFile(copy, damaged);
            std::ostringstream err;
            const auto loaded = LoadTarget(copy, err);
            const std::string said = err.str();
            const std::string where = kind + " #" + std::to_string(k) + ": " + said;
            if (!said.empty()) {
                EXPECT_NE(said.find("<" + copy + ">"), std::string::npos) << where;
                EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << where;
                (loaded ? warned : refused) += 1;
                continue;
            }
            ASSERT_NE(loaded, nullptr) << where;
            EXPECT_FALSE(cut) << where;
            // Every chunk of a PNG has a checksum; a GIF, a TIFF and a WebP may hold damage
            // that still decodes, which no reader can tell from a picture.
            if (kind == "p.png") {
                EXPECT_EQ(loaded->Compare(*original), 0u) << where << " changed pixels without a word";
            } else if (kind == "p.jpg" && RunProcess({"/bin/sh", "-c", "command -v djpeg"}).status == 0) {
                // The reference decoder finds nothing wrong either.
                const ProcessResult reference = RunProcess({"djpeg", "-outfile", "/dev/null", copy});
                EXPECT_EQ(reference.err, "") << where;
            }
        }
    }
    EXPECT_GT(refused, 20);
    EXPECT_GT(warned, 0);
    g_object_unref(photo);
}

std::uint32_t Crc32(const unsigned char* data, std::size_t size) {
    std::uint32_t crc = 0xffffffffu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// Patches a picture's stored size to `w` x `h` (its header only; the data stays tiny).
void ClaimSize(std::vector<unsigned char>& bytes, const std::string& kind, int w, int h) {
    auto be = [&bytes](std::size_t at, std::uint32_t v, int count) {
        for (int i = 0; i < count; ++i) bytes[at + std::size_t(i)] = static_cast<unsigned char>(v >> (8 * (count - 1 - i)));
    };
    if (kind == "png") {  // IHDR's width and height, and its checksum
        be(16, std::uint32_t(w), 4);
        be(20, std::uint32_t(h), 4);
        be(29, Crc32(&bytes[12], 17), 4);
        return;
    }
    for (std::size_t at = 2; at + 9 < bytes.size(); at += 2 + (std::size_t(bytes[at + 2]) << 8 | bytes[at + 3]))
        if (bytes[at + 1] == 0xc0 || bytes[at + 1] == 0xc2) {  // the JPEG's start of frame
            be(at + 5, std::uint32_t(h), 2);
            be(at + 7, std::uint32_t(w), 2);
            return;
        }
}

TEST_F(Photos, TinyFilesClaimingHugeSizesAreRefusedBeforeDecoding) {
    VipsImage* photo = Quadrants(64, 48);
    for (const std::string kind : {"jpg", "png"}) {
        std::vector<unsigned char> bytes = ReadFile(Save(photo, "small." + kind));
        ClaimSize(bytes, kind, 8191, 32767);
        const std::string path = dir.File("bomb." + kind);
        WriteFile(path, bytes);
        std::ostringstream err;
        EXPECT_EQ(LoadTarget(path, err), nullptr);
        EXPECT_NE(err.str().find("<" + path + ">: damaged " + (kind == "jpg" ? std::string("JPEG") : "PNG") +
                                 ": 8191 x 32767 pixels, more than its " + std::to_string(bytes.size()) +
                                 " bytes could hold)"),
                  std::string::npos)
            << err.str();
        // Shrinking while loading reads no more of it.
        std::ostringstream shrunk;
        EXPECT_EQ(LoadTarget(path, shrunk, 512), nullptr);
        EXPECT_EQ(shrunk.str(), err.str());
    }
    g_object_unref(photo);
}

TEST_F(Photos, PathsThatAreNoPictureGetTheirOwnWords) {
    const std::string missing = dir.File("missing.jpg");
    std::ostringstream a, b, c;
    EXPECT_EQ(LoadTarget(missing, a), nullptr);
    EXPECT_EQ(a.str(), "Error in image creation: unable to load image (<" + missing + ">: no such file)\n");
    EXPECT_EQ(LoadTarget(dir.path, b), nullptr);
    EXPECT_EQ(b.str(), "Error in image creation: unable to load image (<" + dir.path + ">: a folder, not a picture)\n");
    WriteFile(dir.File("empty.png"), {});
    EXPECT_EQ(LoadTarget(dir.File("empty.png"), c), nullptr);
    EXPECT_NE(c.str().find(">: an empty file)"), std::string::npos) << c.str();
    if (geteuid() != 0) {  // root reads every file
        WriteFile(dir.File("locked.png"), {1, 2, 3});
        chmod(dir.File("locked.png").c_str(), 0);
        std::ostringstream d;
        EXPECT_EQ(LoadTarget(dir.File("locked.png"), d), nullptr);
        EXPECT_NE(d.str().find(">: cannot be read (Permission denied))"), std::string::npos) << d.str();
    }
}

// The shape search works on a copy of a working size, says so, and hands out pictures of the
// photo's own size; --max-size 0 searches the photo whole.
TEST_F(Photos, TheShapeSearchWorksOnACopyAndSavesAtFullSize) {
    VipsImage* photo = Quadrants(1024, 768);
    const std::string path = Save(photo, "photo.jpg");
    g_object_unref(photo);
    const std::string prefix = dir.File("run");
    const ProcessResult r = RunProcess({POLYEVOLVE_BATCH_BIN, path, "--search", "shapes", "--seed", "2", "--iterations",
                                        "3", "--save", prefix, "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.rfind("Searching a 512 x 384 copy of <" + path + ">'s 1024 x 768 pixels", 0), 0u) << r.err;
    EXPECT_EQ(Fields(r.out).at("size"), "512x384");
    EXPECT_EQ(Fields(r.out).at("candidates"), "192");  // 64 a shapes iteration
    const Image saved{prefix + ".out.png"};
    EXPECT_EQ(saved.Width(), 1024);
    EXPECT_EQ(saved.Height(), 768);
    const ProcessResult whole = RunProcess({POLYEVOLVE_BATCH_BIN, path, "--search", "shapes", "--max-size", "0",
                                            "--iterations", "1", "--quiet"});
    // --quiet, and no copy to tell of.
    EXPECT_EQ(whole.err, "Nothing will be saved: give --save PREFIX to keep the drawing.\n");
    EXPECT_EQ(Fields(whole.out).count("size"), 0u);
}

// The one list of kinds: every program's help names it, each kind on it loads, and a kind
// off it is refused by name.
TEST_F(Photos, TheHelpListsExactlyTheKindsThatLoad) {
    for (const char* program : {POLYEVOLVE_BIN, POLYEVOLVE_BATCH_BIN})
        EXPECT_NE(RunProcess({program, "--help"}).out.find(std::string("(") + PictureKindList() + ")"),
                  std::string::npos) << program;
    VipsImage* photo = Quadrants(48, 32);
    std::string list = PictureKindList();
    int loaded = 0;
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t comma = std::min(list.find(", ", at), list.size());
        std::string kind = list.substr(at, comma - at);
        at = comma + 2;
        for (char& c : kind) c = char(std::tolower(static_cast<unsigned char>(c)));
        const std::string path = dir.File("picture." + kind);
        if (kind == "bmp") {
            Image bmp(48, 32);
            bmp.Clear();
            ASSERT_EQ(SDL_SaveBMP(bmp.surface, path.c_str()), 0);
        } else if (vips_image_write_to_file(photo, path.c_str(), nullptr) != 0) {
            vips_error_clear();  // a HEIF kind this library cannot write
            continue;
        }
        std::ostringstream err;
        EXPECT_NE(LoadTarget(path, err), nullptr) << kind << ": " << err.str();
        ++loaded;
    }
    EXPECT_GE(loaded, 6);
    ASSERT_EQ(vips_image_write_to_file(photo, dir.File("picture.ppm").c_str(), nullptr), 0);
    std::ostringstream err;
    EXPECT_EQ(LoadTarget(dir.File("picture.ppm"), err), nullptr);
    EXPECT_NE(err.str().find("PPM: not a picture of a kind read here (" + std::string(PictureKindList()) + ")"),
              std::string::npos) << err.str();
    g_object_unref(photo);
}

// Photos of hundreds of megapixels (a phone's 200-megapixel sensor, a panorama) run at the
// search's working size in little memory, turned upright, and what is saved is drawn at the
// picture's own size.
TEST_F(Photos, HugePhotosRunShrunkAndSaveAtTheirOwnSize) {
    if (kSanitized) GTEST_SKIP() << "memory is measured without the sanitizers";
    struct Big {
        int w, h, orientation;
    };
    for (const Big big : {Big{16000, 12000, 1}, Big{30000, 5000, 6}}) {
        VipsImage *black = nullptr, *grey = nullptr;
        ASSERT_EQ(vips_black(&black, big.w, big.h, "bands", 3, nullptr), 0);
        ASSERT_EQ(vips_linear1(black, &grey, 1.0, 90.0, "uchar", TRUE, nullptr), 0);
        const std::string path = Save(grey, "big.jpg", big.orientation);
        g_object_unref(black);
        g_object_unref(grey);
        const std::string prefix = dir.File("big");
        const ProcessResult r = RunProcess({POLYEVOLVE_BATCH_BIN, path, "--search", "shapes", "--seed", "1",
                                            "--iterations", "5", "--save", prefix, "--force"});
        ASSERT_EQ(r.status, 0) << r.err;
        const bool turned = big.orientation >= 5;
        const int w = turned ? big.h : big.w, h = turned ? big.w : big.h;
        EXPECT_NE(r.err.find("of <" + path + ">'s " + std::to_string(w) + " x " + std::to_string(h) + " pixels"),
                  std::string::npos)
            << r.err;
        // The PNG's header: its width and height, big-endian at 16 and 20.
        const std::vector<unsigned char> png = ReadFile(prefix + ".out.png");
        ASSERT_GT(png.size(), 24u);
        auto be = [&png](std::size_t at) { return int(png[at]) << 24 | int(png[at + 1]) << 16 | int(png[at + 2]) << 8 | png[at + 3]; };
        EXPECT_EQ(be(16), w);
        EXPECT_EQ(be(20), h);
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 600 * 1024) << "kilobytes at most, of any process this test started";
}

}  // namespace

// A picture saved at its own size from a run on a smaller copy is the drawing that was
// scored: brought back to the working size, it scores within 3 % of the run's RMSE, in
// polygons (whose fill reaches half a pixel past their edges, at the working size) and in
// other kinds. A photo-like picture of 1024 pixels run on a 128-pixel copy, as a phone photo
// on the default working size.
TEST_F(Photos, APictureSavedAtItsOwnSizeIsTheDrawingThatWasScored) {
    const std::string big = dir.File("harbour.bmp");
    ASSERT_EQ(RunProcess({"/usr/bin/python3", POLYEVOLVE_MAKE_SAMPLE, "--photo", "--size", "1024x1024", big}).status, 0);
    const Image small = Downscale(Image{big}, 128, 128);
    for (const std::string kind : {"polygon", "triangle", "ellipse", "curve"}) {
        const std::string prefix = dir.File(kind);
        const ProcessResult r = RunProcess({POLYEVOLVE_BATCH_BIN, big, "--shape", kind, "--max-size", "128", "--seed", "3",
                                            "--iterations", "800", "--save", prefix, "--quiet"});
        ASSERT_EQ(r.status, 0) << r.err;
        const Image saved{prefix + ".out.png"};
        ASSERT_EQ(saved.Width(), 1024);
        const double back = double(Downscale(saved, 128, 128).Compare(small));
        const double scored = std::stod(Fields(r.out).at("error"));
        EXPECT_LT(std::sqrt(back / scored), 1.03) << kind << ": " << back << " against " << scored;
    }
}

// A photo many times a placeholder's size decodes at an eighth of it at once, and damage in
// its data is still named (its loader alone would read past it in silence).
TEST_F(Photos, APhotoShrunkWhileItLoadsIsStillCheckedForDamage) {
    VipsImage* noise = nullptr;
    ASSERT_EQ(vips_gaussnoise(&noise, 1200, 900, "sigma", 40.0, "mean", 128.0, nullptr), 0);
    VipsImage* grey = nullptr;
    ASSERT_EQ(vips_cast_uchar(noise, &grey, nullptr), 0);
    const std::string path = Save(grey, "photo.jpg");
    g_object_unref(noise);
    g_object_unref(grey);
    const ProcessResult whole = RunProcess({POLYEVOLVE_BATCH_BIN, path, "--placeholder", "--iterations", "5", "--quiet"});
    ASSERT_EQ(whole.status, 0) << whole.err;
    EXPECT_EQ(Fields(whole.out).at("size"), "64x48");
    std::vector<unsigned char> bytes = ReadFile(path);
    for (std::size_t i = bytes.size() / 3; i < bytes.size() / 3 + 2000; i += 7) bytes[i] = static_cast<unsigned char>(bytes[i] + 77);
    WriteFile(path, bytes);
    const ProcessResult damaged = RunProcess({POLYEVOLVE_BATCH_BIN, path, "--placeholder", "--iterations", "5", "--quiet"});
    EXPECT_NE(damaged.err.find("<" + path + ">: damaged JPEG"), std::string::npos) << damaged.err;
}
