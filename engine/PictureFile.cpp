#include "engine/PictureFile.h"

#include "engine/GeneticTest.h"

bool SavePicture(GeneticTest& test, const std::string& path) {
    if (!test.canvas.surface) return false;
    // The canvas may hold the last rejected candidate; save the drawing the run reports.
    test.best.Render(test.canvas);
    SDL_RWops* stream = SDL_RWFromFile(path.c_str(), "wb");
    if (!stream) return false;
    return SDL_SaveBMP_RW(test.canvas.surface, stream, 1) == 0;
}
