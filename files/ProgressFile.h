#pragma once

#include <string>

class GeneticTest;

// Writes the progress file through a temporary file beside it that replaces the old one only
// once every byte is written, flushed and closed. False (old file untouched) on any failure.
bool SaveProgress(GeneticTest& test, const std::string& path);

enum class LoadResult { Unopened, Loaded, Damaged };

// The largest drawing the limits allow (10 000 polygons of 1 000 vertices) takes 16 + 10 000 *
// (8 + 4 * 1 000) bytes, about 38 MiB; anything larger is no progress file of ours, and
// refusing it bounds the memory a load can take.
constexpr long long kMaxProgressFileSize = 40ll << 20;

// Reads a progress file into the test. Anything but a regular file gives Unopened and
// leaves the test alone. A file that ends early, is larger than kMaxProgressFileSize or asks
// for more memory than there is gives Damaged, says which in `note`, and leaves the test
// restarted from a fresh random drawing. Bytes after the generation are not read, but a file
// that has them is damaged at its end or in a count (a lowered count reads its error from a
// polygon): it gives Loaded with what was passed over in `note`.
LoadResult LoadProgress(GeneticTest& test, const std::string& path, std::string* note = nullptr);

// The best error a progress file holds (its 8 bytes before the generation), if `path` is a
// regular file large enough to be one.
bool StoredError(const std::string& path, unsigned long long& error);

// Copies `from` to `to` through a temporary file; false (`to` untouched) on failure.
bool CopyFileAtomically(const std::string& from, const std::string& to);
