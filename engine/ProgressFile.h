#pragma once

#include <string>

class GeneticTest;

// Writes the progress file through a temporary file beside it that replaces the old one only
// once every byte is written, flushed and closed. False (old file untouched) on any failure.
bool SaveProgress(GeneticTest& test, const std::string& path);

enum class LoadResult { Unopened, Loaded, Damaged };

// Reads a progress file into the test. A file that ends early or is otherwise unreadable
// gives Damaged and leaves the test restarted from a fresh random drawing.
LoadResult LoadProgress(GeneticTest& test, const std::string& path);
