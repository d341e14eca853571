#include "image/PictureKind.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

const char* PictureKindList() { return "BMP, JPEG, PNG, GIF, TIFF, WebP, HEIC, AVIF"; }

const char* PictureKindName(PictureKind kind) {
    switch (kind) {
    case PictureKind::Bmp: return "BMP";
    case PictureKind::Jpeg: return "JPEG";
    case PictureKind::Png: return "PNG";
    case PictureKind::Gif: return "GIF";
    case PictureKind::Tiff: return "TIFF";
    case PictureKind::WebP: return "WebP";
    case PictureKind::Heif: return "HEIC/AVIF";
    case PictureKind::Unknown: break;
    }
    return "picture";
}

namespace {

bool Starts(const unsigned char* bytes, std::size_t size, const char* magic, std::size_t at = 0) {
    const std::size_t length = std::strlen(magic);
    return size >= at + length && std::memcmp(bytes + at, magic, length) == 0;
}

PictureKind KindOfBytes(const unsigned char* b, std::size_t n) {
    if (Starts(b, n, "BM")) return PictureKind::Bmp;
    if (n >= 3 && b[0] == 0xff && b[1] == 0xd8 && b[2] == 0xff) return PictureKind::Jpeg;
    if (Starts(b, n, "\x89PNG\r\n\x1a\n")) return PictureKind::Png;
    if (Starts(b, n, "GIF87a") || Starts(b, n, "GIF89a")) return PictureKind::Gif;
    if (n >= 4 && ((b[0] == 'I' && b[1] == 'I' && b[2] == '*' && b[3] == 0) ||
                   (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && b[3] == '*')))
        return PictureKind::Tiff;
    if (Starts(b, n, "RIFF") && Starts(b, n, "WEBP", 8)) return PictureKind::WebP;
    if (Starts(b, n, "ftyp", 4)) {
        for (const char* brand : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif", "avis"})
            if (Starts(b, n, brand, 8)) return PictureKind::Heif;
    }
    return PictureKind::Unknown;
}

}  // namespace

FileKind SniffPicture(const std::string& path) {
    FileKind result;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        result.problem = errno == ENOENT ? "no such file" : std::strerror(errno);
        return result;
    }
    if (S_ISDIR(info.st_mode)) {
        result.problem = "a folder, not a picture";
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.problem = "not a regular file";
        return result;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        result.problem = std::string("cannot be read (") + std::strerror(errno) + ")";
        return result;
    }
    unsigned char head[16] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    if (got == 0) {
        result.problem = "an empty file";
        return result;
    }
    result.kind = KindOfBytes(head, got);
    return result;
}
