#pragma once

#include <cstdlib>
#include <deque>
#include <vector>

// Every random value of the program is one rand() draw, handed out in order by NextDraw().
// Values drawn for a candidate that is then thrown away unused (one built ahead while an
// earlier one was still being scored) are given back to the front, so the next reader gets
// them as if they had never been drawn and the C library's rand() stays the only source.
namespace draws {

struct State {
    std::deque<int> givenBack;            // drawn, unused, to be handed out first
    std::vector<int>* record = nullptr;   // when set, every value handed out is copied here
};
// The one draw queue of the program; the draws are made on one thread only.
inline State shared;
inline State& Shared() { return shared; }

// Seeds rand() and forgets any value given back.
void Seed(unsigned seed);
// Puts `values` back in front of everything else, in their order.
void GiveBack(const std::vector<int>& values);
// Copies every value handed out from now on into `into` (null: stop copying).
void Record(std::vector<int>* into);
// How many values wait to be handed out again.
std::size_t Waiting();

}  // namespace draws

inline int NextDraw() {
    draws::State& state = draws::Shared();
    int value;
    if (state.givenBack.empty()) {
        value = std::rand();
    } else {
        value = state.givenBack.front();
        state.givenBack.pop_front();
    }
    if (state.record) state.record->push_back(value);
    return value;
}

// One draw reduced with the remainder operator.
inline int Draw(int modulus) { return NextDraw() % modulus; }

// The mutation chance rule: a test with rate R fires when the draw leaves remainder 1.
inline bool Chance(int rate) { return NextDraw() % rate == 1; }
