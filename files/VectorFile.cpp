#include "files/VectorFile.h"

#include "files/AtomicFile.h"
#include "files/ScaledRender.h"
#include "genome/DnaDrawing.h"
#include "genome/Settings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

std::string DrawingSvg(const DnaDrawing& drawing, const OutputSize& size) {
    std::string svg;
    char buffer[160];
    std::snprintf(buffer, sizeof buffer,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                  "viewBox=\"0 0 %d %d\">\n",
                  size.OutWidth(), size.OutHeight(), size.OutWidth(), size.OutHeight());
    svg += buffer;
    char colour[8] = "000";
    if (Settings::Background != 0) std::snprintf(colour, sizeof colour, "%06x", unsigned(Settings::Background) & 0xffffffu);
    std::snprintf(buffer, sizeof buffer, "<rect width=\"%d\" height=\"%d\" fill=\"#%s\"/>\n", size.OutWidth(),
                  size.OutHeight(), colour);
    svg += buffer;
    // Vertices land where the pictures put them: a vertex on a pixel's centre (half a pixel
    // in), spread as the render spreads them. The fill paints both end pixels of every span,
    // so its shapes reach past their edges: a thin outline of the polygon's own colour makes
    // up for it; and it pairs crossings, as the even-odd rule does. (Measured with
    // rsvg-convert against the picture's own render: within 7 % of its RMSE on a shape
    // search's drawing, where stretching the vertices over the whole picture was 40 % off.)
    const double sx = Stretch(size.width, size.scaledWidth), sy = Stretch(size.height, size.scaledHeight);
    std::snprintf(buffer, sizeof buffer,
                  "<g transform=\"translate(0.5 0.5) scale(%.9g %.9g)\" fill-rule=\"evenodd\" stroke-width=\"0.5\">\n",
                  sx, sy);
    svg += buffer;
    for (const DnaPolygon& polygon : drawing.polygons) {
        short xs[4], ys[4];
        const bool rectangle = polygon.points.size() == 4 && (polygon.CopyVertices(xs, ys, 4), IsUprightRectangle(xs, ys, 4));
        if (rectangle) {
            // An upright rectangle in its own kind.
            std::snprintf(buffer, sizeof buffer, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d",
                          std::min(xs[0], xs[2]), std::min(ys[0], ys[2]), std::abs(xs[2] - xs[0]), std::abs(ys[2] - ys[0]));
            svg += buffer;
        } else {
            svg += "<polygon points=\"";
        }
        bool first = true;
        for (const DnaPoint& point : polygon.points) {
            if (rectangle) break;
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

bool SaveSvg(const DnaDrawing& drawing, const OutputSize& size, const std::string& path) {
    const std::string svg = DrawingSvg(drawing, size);
    return WriteAtomically(path, [&svg](FILE* file) {
        return std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
    });
}
