#include "TestSupport.h"

#include "evolve/GeneticTest.h"
#include "files/OutputFiles.h"
#include "files/ProgressFile.h"
#include "files/Target.h"

#include <gtest/gtest.h>
#include <vips/vips.h>

#include <cstdint>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// A corpus of damaged pictures made here from whole ones by seeded damage: files cut short,
// sizes that claim more than the data holds, checksummed data changed. Every one is either
// refused or loaded with a line; a picture that loads as other pixels without a word is the
// fault this guards against.
class Corpus : public ::testing::Test {
protected:
    static VipsImage* Picture(int w, int h) {
        std::vector<unsigned char> rgb(std::size_t(w) * std::size_t(h) * 3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                unsigned char* p = &rgb[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3];
                p[0] = static_cast<unsigned char>(x * 255 / w);
                p[1] = static_cast<unsigned char>((x * y) % 97 + 60);
                p[2] = static_cast<unsigned char>(y * 255 / h);
            }
        VipsImage* image = vips_image_new_from_memory_copy(rgb.data(), rgb.size(), w, h, 3, VIPS_FORMAT_UCHAR);
        image->Type = VIPS_INTERPRETATION_sRGB;
        return image;
    }

    // An 8-bit BMP compressed by runs: four-pixel runs of 16 grey levels.
    static Bytes RleBmp(int w, int h) {
        Bytes data;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; x += 4) {
                data.push_back(static_cast<unsigned char>(std::min(4, w - x)));
                data.push_back(static_cast<unsigned char>((x / 4 + y / 3) % 16));
            }
            data.insert(data.end(), {0, 0});
        }
        data.insert(data.end(), {0, 1});
        Bytes file(14 + 40 + 256 * 4);
        auto put = [&file](std::size_t at, std::uint32_t value, int bytes) {
            for (int i = 0; i < bytes; ++i) file[at + std::size_t(i)] = static_cast<unsigned char>(value >> (8 * i));
        };
        file[0] = 'B';
        file[1] = 'M';
        put(2, std::uint32_t(file.size() + data.size()), 4);
        put(10, std::uint32_t(file.size()), 4);
        put(14, 40, 4);
        put(18, std::uint32_t(w), 4);
        put(22, std::uint32_t(h), 4);
        put(26, 1, 2);
        put(28, 8, 2);
        put(30, 1, 4);  // RLE8
        put(34, std::uint32_t(data.size()), 4);
        put(46, 256, 4);
        for (int i = 0; i < 256; ++i) put(54 + std::size_t(i) * 4, std::uint32_t(i * 0x101010) & 0xffffff, 4);
        file.insert(file.end(), data.begin(), data.end());
        return file;
    }

    struct Outcome {
        int tried = 0, refused = 0, said = 0, same = 0, silent = 0;
        std::string silentNames;
    };

    // Loads a damaged copy and sorts it: refused, loaded with a line, loaded as the whole
    // picture (damage that changes nothing), or loaded as other pixels without a word.
    void Try(const std::string& name, const Bytes& bytes, const Image& whole, Outcome& o) {
        const std::string path = dir.File(name);
        WriteFile(path, bytes);
        std::ostringstream err;
        const std::unique_ptr<Image> loaded = LoadTarget(path, err);
        ++o.tried;
        if (!loaded) {
            ++o.refused;
            EXPECT_FALSE(err.str().empty()) << name;
        } else if (!err.str().empty()) {
            ++o.said;
        } else if (loaded->Width() == whole.Width() && loaded->Height() == whole.Height() &&
                   loaded->Compare(whole) == 0) {
            ++o.same;
        } else {
            ++o.silent;
            o.silentNames += " " + name;
        }
    }

    TempDir dir;
};

std::uint32_t Crc(const unsigned char* bytes, std::size_t length) {
    std::uint32_t crc = 0xffffffffu;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The PNG's IDAT data changed at `at` (from the data's start), its chunk checksum made to
// match, so that only the compressed stream's own check can tell.
Bytes ChangedIdat(Bytes png, std::size_t at, unsigned char with) {
    for (std::size_t p = 8; p + 12 <= png.size();) {
        const std::size_t length = std::size_t(png[p]) << 24 | std::size_t(png[p + 1]) << 16 |
                                   std::size_t(png[p + 2]) << 8 | png[p + 3];
        if (std::string(png.begin() + long(p) + 4, png.begin() + long(p) + 8) == "IDAT" && at < length) {
            png[p + 8 + at] ^= with;
            const std::uint32_t crc = Crc(&png[p + 4], length + 4);
            for (int i = 0; i < 4; ++i) png[p + 8 + length + std::size_t(i)] = static_cast<unsigned char>(crc >> (24 - 8 * i));
            return png;
        }
        p += length + 12;
    }
    return png;
}

TEST_F(Corpus, SeededDamageOfEveryKindIsNeverTakenSilently) {
    ASSERT_EQ(VIPS_INIT("tests"), 0);
    const int w = 61, h = 47;
    VipsImage* picture = Picture(w, h);
    struct Kind {
        std::string name;
        Bytes bytes;
    };
    std::vector<Kind> kinds;
    auto saved = [&](const std::string& name, int status) {
        if (status == 0) kinds.push_back({name, ReadFile(dir.File(name))});
        vips_error_clear();
    };
    saved("p.png", vips_pngsave(picture, dir.File("p.png").c_str(), nullptr));
    saved("p.jpg", vips_jpegsave(picture, dir.File("p.jpg").c_str(), nullptr));
    saved("p.gif", vips_gifsave(picture, dir.File("p.gif").c_str(), nullptr));
    saved("p.tif", vips_tiffsave(picture, dir.File("p.tif").c_str(), "compression", VIPS_FOREIGN_TIFF_COMPRESSION_LZW, nullptr));
    saved("p.webp", vips_webpsave(picture, dir.File("p.webp").c_str(), nullptr));
    saved("l.webp", vips_webpsave(picture, dir.File("l.webp").c_str(), "lossless", TRUE, nullptr));
    kinds.push_back({"r.bmp", RleBmp(w, h)});
    g_object_unref(picture);

    std::mt19937 random(2026);
    Outcome all;
    for (const Kind& kind : kinds) {
        WriteFile(dir.File("whole-" + kind.name), kind.bytes);
        std::ostringstream err;
        const std::unique_ptr<Image> whole = LoadTarget(dir.File("whole-" + kind.name), err);
        ASSERT_NE(whole, nullptr) << kind.name << err.str();
        ASSERT_EQ(err.str(), "") << kind.name;
        Outcome o;
        // Cut short anywhere past the header's first bytes.
        for (int i = 0; i < 24; ++i) {
            const std::size_t at = 12 + random() % (kind.bytes.size() - 13);
            Try("cut" + std::to_string(at) + "-" + kind.name, Bytes(kind.bytes.begin(), kind.bytes.begin() + long(at)),
                *whole, o);
        }
        if (kind.name == "p.png")
            for (int i = 0; i < 24; ++i)
                Try("idat" + std::to_string(i) + "-" + kind.name,
                    ChangedIdat(kind.bytes, random() % 200, static_cast<unsigned char>(1 + random() % 255)), *whole, o);
        if (kind.name == "p.webp") {
            Bytes longer = kind.bytes;
            longer.insert(longer.end(), {1, 2, 3, 4});
            Try("longer-" + kind.name, longer, *whole, o);
        }
        if (kind.name == "p.gif") {
            // The first image empty, and a damaged second frame (shown: the first).
            Bytes empty = kind.bytes;
            for (std::size_t at = 13 + (empty[10] & 0x80 ? 3u << ((empty[10] & 7) + 1) : 0u); at < empty.size(); ++at)
                if (empty[at] == ',') {
                    empty[at + 5] = empty[at + 6] = 0;  // width 0
                    break;
                }
            Try("empty-" + kind.name, empty, *whole, o);
            Bytes two = kind.bytes;
            two.pop_back();  // the trailer
            two.insert(two.end(), {',', 0, 0, 0, 0, 10, 0, 10, 0, 0, 8, 5});  // an image whose data stops
            two.insert(two.end(), {0, ';'});
            Try("frames-" + kind.name, two, *whole, o);
        }
        // Bytes changed anywhere: no checksum covers every kind, so these are counted, not
        // held to a line; none may crash or hang.
        Outcome flips;
        for (int i = 0; i < 40; ++i) {
            Bytes changed = kind.bytes;
            for (int k = 0; k < 1 + i % 3; ++k)
                changed[8 + random() % (changed.size() - 8)] ^= static_cast<unsigned char>(1 + random() % 255);
            Try("flip" + std::to_string(i) + "-" + kind.name, changed, *whole, flips);
        }
        std::cout << kind.name << " bytes changed: " << flips.tried << " tried, " << flips.refused << " refused, "
                  << flips.said << " taken with a line, " << flips.same << " unchanged, " << flips.silent
                  << " other pixels without a word\n";
        if (kind.name == "r.bmp")
            for (int taller : {2, 8, 64}) {
                Bytes lie = kind.bytes;
                lie[22] = static_cast<unsigned char>(h * taller & 0xff);
                lie[23] = static_cast<unsigned char>(h * taller >> 8);
                Try("tall" + std::to_string(taller) + "-" + kind.name, lie, *whole, o);
            }
        std::cout << kind.name << ": " << o.tried << " tried, " << o.refused << " refused, " << o.said
                  << " taken with a line, " << o.same << " unchanged, " << o.silent << " silent\n";
        EXPECT_EQ(o.silent, 0) << kind.name << ":" << o.silentNames;
        all.tried += o.tried;
        all.silent += o.silent;
    }
    std::cout << "corpus: " << all.tried << " damaged pictures, " << all.silent << " taken silently\n";
}

// Progress files cut short, with bytes after their end, or with a count raised or lowered:
// each is refused or resumed with a line past the first.
TEST_F(Corpus, SeededDamageOfProgressFilesIsAlwaysSaid) {
    SettingsGuard guard;
    Image target = Filled(40, 30, Rgb{90, 20, 200});
    UseTargetSize(target);
    std::srand(8);
    GeneticTest test(&target);
    for (int i = 0; i < 2000; ++i) test.best.Mutate();
    const std::string whole = dir.File("whole.idx");
    ASSERT_TRUE(SaveProgress(test, whole));
    const Bytes bytes = ReadFile(whole);
    ASSERT_GT(test.best.polygons.size(), 3u);
    // Where each count lies: the polygon count, then each polygon's point count.
    std::vector<std::size_t> counts = {0};
    for (std::size_t k = 0; k < test.best.polygons.size(); ++k)
        counts.push_back(counts.size() == 1 ? 4 : counts.back() + 8 + 4 * (bytes[counts.back()] | bytes[counts.back() + 1] << 8));
    counts.pop_back();
    std::mt19937 random(40);
    std::vector<Bytes> damaged;
    for (int i = 0; i < 30; ++i) damaged.emplace_back(bytes.begin(), bytes.begin() + long(random() % bytes.size()));
    for (int extra : {1, 3, 4, 12, 100}) {
        damaged.push_back(bytes);
        damaged.back().insert(damaged.back().end(), std::size_t(extra), 0x5a);
    }
    for (std::size_t at : counts)
        for (int change : {-2, -1, 1, 7, 200}) {
            Bytes b = bytes;
            b[at] = static_cast<unsigned char>(b[at] + change);
            damaged.push_back(b);
        }
    int refused = 0, said = 0;
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        const std::string path = dir.File("d" + std::to_string(i) + ".idx");
        WriteFile(path, damaged[i]);
        GeneticTest resumed(&target);
        std::ostringstream err;
        ResumeProgress(resumed, path, "t.bmp", err);
        const std::string lines = err.str();
        ASSERT_EQ(lines.rfind("Loading progresses from <" + path + ">...\n", 0), 0u);
        EXPECT_NE(lines.find("> is damaged ("), std::string::npos) << i << ": " << lines;
        (lines.find("starting afresh") != std::string::npos ? refused : said) += 1;
    }
    std::cout << "progress files: " << damaged.size() << " damaged, " << refused << " refused, " << said
              << " resumed with a line, 0 silent\n";
}

}  // namespace
