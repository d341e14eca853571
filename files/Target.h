#pragma once

#include <iosfwd>
#include <memory>
#include <string>

class Image;

// Largest target the window can show: the window is twice as wide at 4 bytes a pixel and
// SDL 1.2 keeps a surface's row length in 16 bits; vertices are signed 16-bit.
constexpr int MaxTargetWidth = 8191;
constexpr int MaxTargetHeight = 32767;

bool TargetSizeSupported(int width, int height);

// The width and height a BMP file's header gives, without decoding it; false when the file
// is no BMP or its header is unusual (the loader then decides).
bool BmpHeaderSize(const std::string& path, long long& width, long long& height);

// Loads the target picture ("-": from standard input) and checks its size; on failure writes one line to `err` that names
// the file and says why, and returns null. A picture loaded despite damage gets a line too.
// With `shrinkTo` (a run's --max-size), a picture larger than a target may be is shrunk while
// it loads, so its longer side fits.
// `pictureWidth` and `pictureHeight`, when given, get the picture's own size (upright), also
// when it was shrunk while loading: what is saved is drawn at that size.
std::unique_ptr<Image> LoadTarget(const std::string& path, std::ostream& err, int shrinkTo = 0,
                                  unsigned background = 0, int* pictureWidth = nullptr, int* pictureHeight = nullptr);

// Sizes the genome to the target; must run before the first polygon is made.
void UseTargetSize(const Image& target);
