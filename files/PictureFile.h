#pragma once

#include <string>

class GeneticTest;
class Image;

// Writes the image as a BMP through a temporary file; false (old file untouched) on failure.
bool SaveBmp(const Image& image, const std::string& path);

// Renders the best drawing into the canvas and writes it as a BMP; false on failure.
bool SavePicture(GeneticTest& test, const std::string& path);
