#pragma once

#include <string>

class GeneticTest;

// Renders the best drawing into the canvas and writes it as a BMP; true if SDL wrote it.
bool SavePicture(GeneticTest& test, const std::string& path);
