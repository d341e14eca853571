#pragma once

// Compiled-in tunables. Rates R fire when rand() % R == 1; ScreenWidth and ScreenHeight are
// set once at start-up from the target picture, before any polygon is made.
namespace Settings {
extern int PointMaxMutation;
extern int PointMidMutation;
extern int PointMinMutation;
extern int AlphaMutation;
extern int DelPointMutation;
extern int AddPointMutation;
extern int DelPolyMutation;
extern int MovePolyMutation;
extern int AddPolyMutation;
extern int ComponentMutation;
extern int PointSmallMovement;
extern int PointMidMovement;
extern int AlphaMax;
extern int AlphaMin;
extern int MaxPolygons;
extern int MinPolygons;
extern int MinPoints;
extern int MaxPoints;
extern int ScreenWidth;
extern int ScreenHeight;
// 0xRRGGBB, the colour every drawing is painted on: black for the exact run, the shape search's
// own (the picture's mean colour, or --background) for it.
extern int Background;
// The background as a canvas pixel (0xRRGGBB00: alpha 0, as a cleared canvas has).
inline unsigned BackgroundPixel() { return unsigned(Background) << 8; }
}  // namespace Settings
