#pragma once

#include <cstdio>
#include <functional>
#include <string>

// Writes a file so that it is either the old one or the whole new one, never a part: the
// bytes go to a temporary file in the same folder, which replaces `path` only once `write`
// succeeded and every byte is flushed to disk. On any failure the temporary file is removed,
// the old file stays as it was, and the result is false. A killed write may leave the
// temporary file behind (`NAME.tmp.XXXXXX`, or `.polyevolve.tmp.XXXXXX` beside it when the
// name is too long for a suffix); it is safe to delete, and the next write to `path` does.
bool WriteAtomically(const std::string& path, const std::function<bool(FILE*)>& write);

// Gives a file made by mkstemp the mode any new file gets (0666 less the umask).
void UsualPermissions(int fd);

// Deletes the temporary files earlier writes to `path` left behind when killed; a write
// under way (in any process) keeps its own.
void RemoveLeftovers(const std::string& path);

// The temporary name pattern for `path` (ending in XXXXXX for mkstemp).
std::string TemporaryPattern(const std::string& path);
