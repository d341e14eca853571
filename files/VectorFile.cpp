#include "files/VectorFile.h"

#include "files/AtomicFile.h"
#include "files/ScaledRender.h"
#include "genome/DnaDrawing.h"

#include <cstdio>

std::string DrawingSvg(const DnaDrawing& drawing, int width, int height, double scale) {
    std::string svg;
    char buffer[160];
    std::snprintf(buffer, sizeof buffer,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                  "viewBox=\"0 0 %d %d\">\n",
                  ScaledLength(width, scale), ScaledLength(height, scale), width, height);
    svg += buffer;
    std::snprintf(buffer, sizeof buffer, "<rect width=\"%d\" height=\"%d\" fill=\"#000\"/>\n",
                  width, height);
    svg += buffer;
    // The fill samples pixel (x, y) at the point (x, y); an SVG renderer samples the pixel's
    // centre, half a pixel further on. And the fill paints both end pixels of every span, so
    // its shapes reach about half a pixel past their edges: a thin outline of the polygon's
    // own colour makes up for it (measured: it halves the difference to our render).
    svg += "<g transform=\"translate(0.5 0.5)\" stroke-width=\"0.5\">\n";
    for (const DnaPolygon& polygon : drawing.polygons) {
        svg += "<polygon points=\"";
        bool first = true;
        for (const DnaPoint& point : polygon.points) {
            std::snprintf(buffer, sizeof buffer, first ? "%d,%d" : " %d,%d", point.x, point.y);
            svg += buffer;
            first = false;
        }
        const unsigned c = polygon.color;
        char colour[8], opacity[16];
        std::snprintf(colour, sizeof colour, "#%02x%02x%02x", c >> 24, (c >> 16) & 0xff,
                      (c >> 8) & 0xff);
        std::snprintf(opacity, sizeof opacity, "%.4g", double(c & 0xff) / 255.0);
        std::snprintf(buffer, sizeof buffer,
                      "\" fill=\"%s\" fill-opacity=\"%s\" stroke=\"%s\" stroke-opacity=\"%s\"/>\n",
                      colour, opacity, colour, opacity);
        svg += buffer;
    }
    svg += "</g>\n</svg>\n";
    return svg;
}

bool SaveSvg(const DnaDrawing& drawing, int width, int height, double scale,
             const std::string& path) {
    const std::string svg = DrawingSvg(drawing, width, height, scale);
    return WriteAtomically(path, [&svg](FILE* file) {
        return std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
    });
}
