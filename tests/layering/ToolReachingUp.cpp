// Must not build: a tool sees the files and evolution libraries, not the window front end.
#include "app/Window.h"

int main() { return 0; }
