#include "app/Window.h"

#include "evolve/GeneticTest.h"

SDL_Surface* OpenWindow(Image& target) {
    const int w = target.Width(), h = target.Height();
    SDL_Surface* screen = SDL_SetVideoMode(2 * w, h, 32, 0);
    if (!screen) return nullptr;
    SDL_Rect where{Sint16(w), 0, 0, 0};
    SDL_UpperBlit(target.surface, nullptr, screen, &where);
    SDL_UpdateRect(screen, w, 0, Uint32(w), Uint32(h));
    return screen;
}

void DisplayBest(GeneticTest& test, SDL_Surface* screen) {
    const Image& render = test.RenderBest();
    if (!screen || !render.surface) return;
    SDL_Rect where{0, 0, 0, 0};
    SDL_UpperBlit(render.surface, nullptr, screen, &where);
    SDL_UpdateRect(screen, 0, 0, Uint32(render.Width()), Uint32(render.Height()));
}
