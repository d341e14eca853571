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
}  // namespace Settings
