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
// A GIF's first image, decompressed row by row; one of more than `maxPixels` is not read.
Damage CheckGif(const std::string& path, std::uint64_t maxPixels);
