#include "genome/DnaPoint.h"

#include "genome/Random.h"
#include "genome/Settings.h"

namespace {
// 2 * (r % m) - m: one of -m, -m + 2, ..., m - 2.
short Offset(int draw, int m) { return static_cast<short>(2 * (draw % m) - m); }
}  // namespace

bool DnaPoint::Mutate() {
    bool fired = false;
    if (Chance(Settings::PointMaxMutation)) {
        x = static_cast<short>(Draw(Settings::ScreenWidth));
        y = static_cast<short>(Draw(Settings::ScreenHeight));
        fired = true;
    }
    const int moves[2] = {Settings::PointMidMovement, Settings::PointSmallMovement};
    const int rates[2] = {Settings::PointMidMutation, Settings::PointMinMutation};
    for (int step = 0; step < 2; ++step) {
        if (!Chance(rates[step])) continue;
        const int ry = NextDraw();
        const int rx = NextDraw();
        // Added at the coordinates' own 16-bit width, before the clamp.
        x = static_cast<short>(x + Offset(rx, moves[step]));
        y = static_cast<short>(y + Offset(ry, moves[step]));
        fired = true;
    }
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    if (x >= Settings::ScreenWidth) x = static_cast<short>(Settings::ScreenWidth - 1);
    if (y >= Settings::ScreenHeight) y = static_cast<short>(Settings::ScreenHeight - 1);
    return fired;
}
