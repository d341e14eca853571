#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    // Never let SDL fall back to drawing into the terminal.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
