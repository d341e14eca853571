#include "engine/PictureFile.h"

#include "engine/AtomicFile.h"
#include "engine/GeneticTest.h"

bool SavePicture(GeneticTest& test, const std::string& path) {
    if (!test.canvas.surface) return false;
    // The canvas may hold the last rejected candidate; save the drawing the run reports.
    test.best.Render(test.canvas);
    // Through a temporary file, so a failed or interrupted save leaves the old picture whole.
    SDL_Surface* const canvas = test.canvas.surface;
    return WriteAtomically(path, [canvas](FILE* file) {
        SDL_RWops* stream = SDL_RWFromFP(file, 0);
        if (!stream) return false;
        const bool saved = SDL_SaveBMP_RW(canvas, stream, 0) == 0;
        SDL_RWclose(stream);
        return saved;
    });
}
