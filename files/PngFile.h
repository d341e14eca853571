#pragma once

#include <string>

class Image;

// Writes the image as an 8-bit RGB PNG (alpha bytes left out) through a temporary file;
// false (old file untouched) on failure.
bool SavePng(const Image& image, const std::string& path);
