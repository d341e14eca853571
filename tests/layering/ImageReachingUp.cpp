// Must not compile with the image library's include path: image/ sits below genome/.
#include "genome/Settings.h"
#include "image/Image.h"

int main() { return Settings::MaxPolygons; }
