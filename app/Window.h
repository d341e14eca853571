#pragma once

#include <SDL.h>

#include <iosfwd>

class GeneticTest;
class Image;

// How big each half of the window shows the W x H pictures: `zoom` whole times their size
// (nearest neighbour; 1: as they are) while the window fits the screen, else the largest whole
// zoom that fits, else scaled down (area average) to fit. The run is untouched: it goes on at
// W x H.
struct View {
    int width, height;  // of each half
    int enlarged = 1;   // whole times larger, or 1
    bool Scaled(int w, int h) const { return width != w || height != h; }
};
// `screenWidth` or `screenHeight` of 0 (unknown): no shrinking.
View ViewFor(int width, int height, int screenWidth, int screenHeight, int zoom = 1);

// A window of two views side by side, the target in its right half; null if SDL gives no
// surface. When the view is scaled, one line on `err` says so.
SDL_Surface* OpenWindow(Image& target, std::ostream& err, int zoom = 1);
// Renders the best drawing and shows it in the left half.
void DisplayBest(GeneticTest& test, SDL_Surface* screen);
