#pragma once

#include <cstdlib>

// Every random value is one rand() draw reduced with the remainder operator.
inline int Draw(int modulus) { return std::rand() % modulus; }

// The mutation chance rule: a test with rate R fires when the draw leaves remainder 1.
inline bool Chance(int rate) { return std::rand() % rate == 1; }
