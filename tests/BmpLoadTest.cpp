#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

const Rgb kColours[2] = {{8, 16, 248}, {200, 104, 40}};  // exact in 5-bit channels too
constexpr int kW = 5, kH = 3;

int IndexAt(int x, int y) { return (x + 2 * y + (x == 4 ? 1 : 0)) % 2; }

void Put16(std::vector<unsigned char>& b, unsigned v) {
    b.push_back(v & 0xff);
    b.push_back((v >> 8) & 0xff);
}
void Put32(std::vector<unsigned char>& b, std::uint32_t v) {
    Put16(b, v & 0xffff);
    Put16(b, v >> 16);
}

// A BI_RGB bitmap of the test pattern at the given depth, written byte by byte.
std::vector<unsigned char> MakeBmp(int bpp) {
    const int paletteSize = bpp <= 8 ? (1 << bpp) : 0;
    const int rowBytes = ((kW * bpp + 31) / 32) * 4;
    const int dataOffset = 14 + 40 + 4 * paletteSize;
    std::vector<unsigned char> b = {'B', 'M'};
    Put32(b, std::uint32_t(dataOffset + rowBytes * kH));
    Put32(b, 0);
    Put32(b, std::uint32_t(dataOffset));
    Put32(b, 40);
    Put32(b, kW);
    Put32(b, kH);
    Put16(b, 1);
    Put16(b, unsigned(bpp));
    Put32(b, 0);
    Put32(b, std::uint32_t(rowBytes * kH));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, std::uint32_t(paletteSize));
    Put32(b, 0);
    for (int i = 0; i < paletteSize; ++i) {
        const Rgb c = kColours[i % 2];
        b.insert(b.end(), {(unsigned char)c.b, (unsigned char)c.g, (unsigned char)c.r, 0});
    }
    for (int y = kH - 1; y >= 0; --y) {  // bottom-up
        std::vector<unsigned char> row(std::size_t(rowBytes), 0);
        for (int x = 0; x < kW; ++x) {
            const int index = IndexAt(x, y);
            const Rgb c = kColours[index];
            switch (bpp) {
            case 1: row[x / 8] |= (unsigned char)(index << (7 - x % 8)); break;
            case 4: row[x / 2] |= (unsigned char)(index << (x % 2 ? 0 : 4)); break;
            case 8: row[x] = (unsigned char)index; break;
            case 16: {
                const unsigned v = ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3);
                row[2 * x] = v & 0xff;
                row[2 * x + 1] = (v >> 8) & 0xff;
                break;
            }
            default: {
                const int step = bpp / 8;
                row[step * x] = (unsigned char)c.b;
                row[step * x + 1] = (unsigned char)c.g;
                row[step * x + 2] = (unsigned char)c.r;
            }
            }
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

std::string LoadError(const std::string& path) {
    try {
        Image image(path);
    } catch (const std::string& text) {
        return text;
    }
    return "";
}

TEST(BmpLoad, EveryDepthLoadsToTheSamePixelsInTheProgramLayout) {
    TempDir dir;
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        const std::string path = dir.File("p" + std::to_string(bpp) + ".bmp");
        WriteFile(path, MakeBmp(bpp));
        Image image(path);
        ASSERT_NE(image.surface, nullptr) << bpp;
        EXPECT_EQ(image.surface->format->BitsPerPixel, 32);
        EXPECT_EQ(image.surface->format->Rmask, Image::RedMask);
        EXPECT_EQ(image.surface->format->Amask, Image::AlphaMask);
        ASSERT_EQ(image.Width(), kW);
        ASSERT_EQ(image.Height(), kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                EXPECT_EQ(RgbAt(image, x, y), kColours[IndexAt(x, y)])
                    << bpp << "-bit at " << x << "," << y;
    }
}

TEST(BmpLoad, SdlsOwnBmpRoundTrips) {
    TempDir dir;
    Image source(7, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 7; ++x) SetPixel(source, x, y, {x * 30, y * 60, 255 - x * 20});
    const std::string path = dir.File("saved.bmp");
    ASSERT_EQ(SDL_SaveBMP(source.surface, path.c_str()), 0);
    Image loaded(path);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(RgbAt(loaded, x, y), RgbAt(source, x, y));
}

TEST(BmpLoad, BadFilesThrowTheLoadMessage) {
    TempDir dir;
    EXPECT_EQ(LoadError(dir.File("missing.bmp")), "unable to load image");
    const std::string text = dir.File("notes.bmp");
    WriteFile(text, {'h', 'e', 'l', 'l', 'o', '\n'});
    EXPECT_EQ(LoadError(text), "unable to load image");
    std::vector<unsigned char> bmp = MakeBmp(24);
    bmp.resize(bmp.size() - 20);
    const std::string cut = dir.File("cut.bmp");
    WriteFile(cut, bmp);
    EXPECT_EQ(LoadError(cut), "unable to load image");
    EXPECT_EQ(LoadError(dir.path), "unable to load image");
}

}  // namespace
