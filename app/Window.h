#pragma once

#include <SDL.h>

class GeneticTest;
class Image;

// Largest target the window can show: the window is twice as wide at 4 bytes a pixel and
// SDL 1.2 keeps a surface's row length in 16 bits; vertices are signed 16-bit.
constexpr int MaxTargetWidth = 8191;
constexpr int MaxTargetHeight = 32767;

bool TargetSizeSupported(int width, int height);

// A window 2W x H with the target in its right half; null if SDL gives no surface.
SDL_Surface* OpenWindow(Image& target);
// Renders the best drawing into the canvas and shows it in the left half.
void DisplayBest(GeneticTest& test, SDL_Surface* screen);
