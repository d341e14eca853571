#include "files/PictureFile.h"

#include "files/AtomicFile.h"
#include "evolve/GeneticTest.h"

bool SaveBmp(const Image& image, const std::string& path) {
    if (!image.surface) return false;
    // Through a temporary file, so a failed or interrupted save leaves the old picture whole.
    SDL_Surface* const surface = image.surface;
    return WriteAtomically(path, [surface](FILE* file) {
        SDL_RWops* stream = SDL_RWFromFP(file, 0);
        if (!stream) return false;
        const bool saved = SDL_SaveBMP_RW(surface, stream, 0) == 0;
        SDL_RWclose(stream);
        return saved;
    });
}

bool SavePicture(GeneticTest& test, const std::string& path) {
    // The canvas may hold the last rejected candidate; save the drawing the run reports.
    return SaveBmp(test.RenderBest(), path);
}
