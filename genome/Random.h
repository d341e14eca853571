#pragma once

#include "genome/DrawStream.h"

#include <cstdlib>

// Every random value of the program is one draw, from the run's stream when one is bound on
// this thread (draws::Use), else from the C library's rand() itself.
inline int NextDraw() {
    DrawStream* stream = draws::Current();
    return stream ? stream->Next() : std::rand();
}

// One draw reduced with the remainder operator.
inline int Draw(int modulus) { return NextDraw() % modulus; }

// The mutation chance rule: a test with rate R fires when the draw leaves remainder 1.
inline bool Chance(int rate) { return NextDraw() % rate == 1; }
