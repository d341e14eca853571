#pragma once

#include <SDL.h>

#include <functional>
#include <string>

class Image;

// Writes the image as an 8-bit RGB PNG (alpha bytes left out) through a temporary file;
// false (old file untouched) on failure.
bool SavePng(const Image& image, const std::string& path);
// The same for a picture handed over in rows: rows(y, pixels) fills row y (width pixels in
// the program's layout), asked for from the top, one after another.
bool SavePngRows(int width, int height, const std::function<void(int, Uint32*)>& rows, const std::string& path);
