#pragma once

#include <cstdint>
#include <string>

// Second opinions on files whose loader reads past damage without a word: each reads the
// whole compressed stream with the format's reference library and says what it found wrong.
struct Damage {
    std::string what;        // the library's first complaint; empty when it found none
    bool truncated = false;  // the data ends early: the picture cannot be read whole
};

// A JPEG's entropy-coded data, decoded at an eighth of the size (the damage shows the same).
Damage CheckJpeg(const std::string& path);
// A GIF's images, decompressed row by row; one of more than `maxPixels` is not read. The
// first image empty or damaged is `truncated` (nothing to show); a later one's damage is not.
Damage CheckGif(const std::string& path, std::uint64_t maxPixels);
// A PNG read whole by libpng with every check on: the chunks' CRCs and the compressed
// stream's own (which the picture loader skips).
Damage CheckPng(const std::string& path);
// A run-length BMP's runs (8 or 4 bits a pixel) walked to their end: runs that stop before
// the last row, or data that ends before its end mark, are `truncated`. Nothing for other BMPs.
Damage CheckBmpRuns(const std::string& path);
// A WebP's RIFF size against the file's: shorter is `truncated`, longer passes bytes over.
Damage CheckWebp(const std::string& path);
