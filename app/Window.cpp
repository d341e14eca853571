#include "app/Window.h"

#include "evolve/GeneticTest.h"
#include "image/Downscale.h"

#include <algorithm>
#include <ostream>

View ViewFor(int width, int height, int screenWidth, int screenHeight, int zoom) {
    // Room for the window's frame and a desktop's panels.
    const int roomWidth = screenWidth - 32, roomHeight = screenHeight - 96;
    const bool known = screenWidth > 0 && screenHeight > 0 && roomWidth > 0 && roomHeight > 0;
    int times = std::max(1, zoom);
    if (known) times = std::min(times, std::max(1, std::min(roomWidth / (2 * width), roomHeight / height)));
    View view{width * times, height * times, times};
    if (known && (2 * view.width > roomWidth || view.height > roomHeight)) {
        const double fit = std::min(double(roomWidth) / (2.0 * width), double(roomHeight) / height);
        view.width = std::max(1, int(width * fit));
        view.height = std::max(1, int(height * fit));
        view.enlarged = 1;
    }
    return view;
}

namespace {

// The picture as the view shows it.
Image Viewed(const Image& picture, int width, int height) {
    if (width <= picture.Width()) return Downscale(picture, width, height);
    Image large(width, height);
    const int times = width / picture.Width();
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(large.surface->pixels) + y * large.surface->pitch);
        const auto* from = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(picture.surface->pixels) +
                                                            (y / times) * picture.surface->pitch);
        for (int x = 0; x < width; ++x) row[x] = from[x / times];
    }
    return large;
}

void Show(const Image& picture, SDL_Surface* screen, int left) {
    const int w = screen->w / 2, h = screen->h;
    SDL_Rect where{Sint16(left), 0, 0, 0};
    if (picture.Width() == w && picture.Height() == h) {
        SDL_UpperBlit(picture.surface, nullptr, screen, &where);
    } else {
        const Image shown = Viewed(picture, w, h);
        if (shown.surface) SDL_UpperBlit(shown.surface, nullptr, screen, &where);
    }
    SDL_UpdateRect(screen, left, 0, Uint32(w), Uint32(h));
}

}  // namespace

SDL_Surface* OpenWindow(Image& target, std::ostream& err, int zoom) {
    const int w = target.Width(), h = target.Height();
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    const View view = ViewFor(w, h, info ? info->current_w : 0, info ? info->current_h : 0, zoom);
    SDL_Surface* screen = SDL_SetVideoMode(2 * view.width, view.height, 32, 0);
    if (!screen) return nullptr;
    if (view.width != w * zoom || view.height != h * zoom)
        err << "Showing the " << w << " x " << h << " pictures at " << view.width << " x " << view.height
            << " to fit the screen; the run and its files keep the full size.\n";
    Show(target, screen, view.width);
    return screen;
}

void DisplayBest(GeneticTest& test, SDL_Surface* screen) {
    const Image& render = test.RenderBest();
    if (!screen || !render.surface) return;
    Show(render, screen, 0);
}
