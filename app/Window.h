#pragma once

#include <SDL.h>

class GeneticTest;
class Image;

// A window 2W x H with the target in its right half; null if SDL gives no surface.
SDL_Surface* OpenWindow(Image& target);
// Renders the best drawing into the canvas and shows it in the left half.
void DisplayBest(GeneticTest& test, SDL_Surface* screen);
