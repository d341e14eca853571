#include "genome/Settings.h"

namespace Settings {
int PointMaxMutation = 1500;
int PointMidMutation = 1500;
int PointMinMutation = 1500;
int AlphaMutation = 1500;
int DelPointMutation = 1500;
int AddPointMutation = 1500;
int DelPolyMutation = 1500;
int MovePolyMutation = 700;
int AddPolyMutation = 700;
int ComponentMutation = 1500;
int PointSmallMovement = 3;
int PointMidMovement = 20;
int AlphaMax = 120;
int AlphaMin = 20;
int MaxPolygons = 150;
int MinPolygons = 3;
int MinPoints = 3;
int MaxPoints = 10;
int ScreenWidth = 0;
int ScreenHeight = 0;
int Background = 0;
}  // namespace Settings
