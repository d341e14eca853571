#pragma once

#include "genome/DnaPolygon.h"

#include <list>

#include <string>

// A drawing as JSON, for code of one's own: its shapes in painting order, each in its kind with
// its geometry, colour and alpha, on the size it was evolved at (its coordinates' space), the
// picture's own size and the background. Read back, it is the drawing it was, so it draws the
// very same pictures as its progress file. The schema is in the README; `version` changes
// when it does: 1 for polygons only, 2 where shapes of other kinds (by their parameters) are in.
struct DrawingJson {
    static constexpr int kVersion = 2;
    int width = 0, height = 0;                // evolved at: the coordinates' space
    int pictureWidth = 0, pictureHeight = 0;  // the picture's own size, which outputs are drawn at
    unsigned background = 0;                  // 0xRRGGBB
    std::list<DnaPolygon> polygons;           // in painting order
};

std::string DrawingJsonText(const DrawingJson& json);
// Atomically; false (old file untouched) on failure.
bool SaveDrawingJson(const DrawingJson& json, const std::string& path);
// False, with what is wrong in `why`, for a file that is no drawing of ours or holds a value
// no drawing could have.
bool LoadDrawingJson(const std::string& path, DrawingJson& json, std::string& why);
// Whether `path` names a drawing as JSON (by its extension).
bool IsJsonPath(const std::string& path);
