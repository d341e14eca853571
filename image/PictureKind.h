#pragma once

#include <string>

// The kinds of picture a target may be, told by the file's first bytes (not its name). This
// is the one list: the programs' help, the refusal lines and the loader all read it.
enum class PictureKind { Unknown, Bmp, Jpeg, Png, Gif, Tiff, WebP, Heif };

// "BMP, JPEG, PNG, GIF, TIFF, WebP, HEIC, AVIF": every kind read, for help texts and refusals.
const char* PictureKindList();
// The kind's name in lines about a file: "JPEG", "HEIC/AVIF".
const char* PictureKindName(PictureKind kind);

// What a target file is. On failure `kind` is Unknown and `problem` says in plain words why
// nothing can be read (missing, a folder, no permission, empty); for a readable file of no
// kind read here `problem` stays empty.
struct FileKind {
    PictureKind kind = PictureKind::Unknown;
    std::string problem;
};
FileKind SniffPicture(const std::string& path);
