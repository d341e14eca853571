#pragma once

// The program's entry; SDL 1.2 on Linux has no start-up layer, so main() calls it.
extern "C" int SDL_main(int argc, char** argv);
