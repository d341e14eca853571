#include "files/VectorFile.h"

#include "files/AtomicFile.h"
#include "files/ScaledRender.h"
#include "genome/DnaDrawing.h"
#include "genome/Settings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

SvgStyle PlaceholderStyle(double blur) {
    SvgStyle style;
    style.viewBoxOnly = style.compact = style.dataUri = true;
    style.blur = blur;
    return style;
}

namespace {

// A colour 0xRRGGBB as "#rrggbb", or as "#rgb" where compact and each pair repeats (or where
// `round`: to the nearest such, which a blur hides).
std::string Colour(unsigned rgb, bool compact, bool round = false) {
    char text[8];
    unsigned r = rgb >> 16 & 0xff, g = rgb >> 8 & 0xff, b = rgb & 0xff;
    if (round) r = (r + 8) / 17 * 17, g = (g + 8) / 17 * 17, b = (b + 8) / 17 * 17;
    if (compact && r % 17 == 0 && g % 17 == 0 && b % 17 == 0)
        std::snprintf(text, sizeof text, "#%x%x%x", r / 17, g / 17, b / 17);
    else
        std::snprintf(text, sizeof text, "#%02x%02x%02x", r, g, b);
    return text;
}

// A number with `digits` significant digits, without a leading zero where compact (".45").
std::string Number(double value, int digits, bool compact) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    std::string s = text;
    if (compact && s.rfind("0.", 0) == 0) s.erase(0, 1);
    if (compact && s.rfind("-0.", 0) == 0) s.erase(1, 1);
    return s;
}

// A shape's coordinates: to a thousandth of a pixel, or as few digits as a placeholder needs.
std::string LongNumber(double value) { return Number(value, 7, false); }
std::string ShortNumber(double value) { return Number(value, 4, true); }

// An SVG as a data URI: only what a URI cannot hold is escaped.
std::string DataUri(const std::string& svg) {
    std::string uri = "data:image/svg+xml,";
    for (unsigned char c : svg) {
        if (c == '%' || c == '#' || c == '<' || c == '>' || c == '"' || c == '\n' || c < 0x20 || c >= 0x7f) {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            uri += escaped;
        } else {
            uri += char(c);
        }
    }
    return uri + "\n";
}

}  // namespace

namespace {

// The SVG's text in a style: attribute quotes, line ends, and how each shape is written.
class SvgText {
public:
    explicit SvgText(const SvgStyle& style_)
        : style(style_), compact(style_.compact), q(compact ? '\'' : '"'), end(compact ? "" : "\n") {}

    std::string Attribute(const char* name, const std::string& value) const {
        return std::string(" ") + name + "=" + q + value + q;
    }

    // One shape in its kind's own element (an upright rectangle held as a polygon a <rect>),
    // with its colour and opacity: filled, or stroked where the kind is a stroke.
    std::string Shape(const DnaPolygon& polygon) const {
        ::Shape shape = polygon.AsShape();
        if (!polygon.Parametric() && IsUprightRectangle(shape.xs.data(), shape.ys.data(), shape.Count())) shape.kind = kRectanglePlace;
        const ShapeKind& kind = KindOf(shape);
        const SvgPen pen{compact ? &ShortNumber : &LongNumber, q, compact};
        std::string svg = kind.Svg(shape, pen);
        const unsigned c = polygon.color;
        const std::string colour = Colour(c >> 8, compact, compact && style.blur > 0);
        const std::string opacity = Number(double(c & 0xff) / 255.0, compact ? 2 : 4, compact);
        if (kind.Stroked()) return svg + Attribute("stroke", colour) + Attribute("stroke-opacity", opacity) + "/>" + end;
        if (compact && style.blur > 0 && colour.size() == 4) {
            // Under a blur, the opacity in the colour itself (#rgba) to a sixteenth.
            svg += Attribute("fill", colour + "0123456789abcdef"[std::min(15u, ((c & 0xff) + 8) / 17)]);
        } else {
            svg += Attribute("fill", colour) + Attribute(compact ? "opacity" : "fill-opacity", opacity);
        }
        // The fill paints both end pixels of a polygon's spans: the outline makes up for it.
        if (!compact && kind.Outlined()) svg += Attribute("stroke", colour) + Attribute("stroke-opacity", opacity);
        return svg + "/>" + end;
    }

    const SvgStyle& style;
    const bool compact;
    const char q;
    const std::string end;
};

}  // namespace

std::string DrawingSvg(const DnaDrawing& drawing, const OutputSize& size, const SvgStyle& style) {
    const SvgText text(style);
    const bool compact = style.compact;
    const std::string& end = text.end;
    const std::string w = std::to_string(size.OutWidth()), h = std::to_string(size.OutHeight());
    const double sx = Stretch(size.width, size.scaledWidth), sy = Stretch(size.height, size.scaledHeight);
    // An SVG that only scales to its box needs no output size: the drawing's own coordinates
    // are its viewBox, the output's pixel centres on its vertices as before (no transform).
    const bool own = style.viewBoxOnly && compact;
    std::string svg = "<svg" + text.Attribute("xmlns", "http://www.w3.org/2000/svg");
    if (!style.viewBoxOnly) svg += text.Attribute("width", w) + text.Attribute("height", h);
    const std::string box = own ? "-.5 -.5 " + Number(size.OutWidth() / sx, 4, true) + " " + Number(size.OutHeight() / sy, 4, true)
                                : "0 0 " + w + " " + h;
    svg += text.Attribute("viewBox", box) + ">" + end;
    if (style.blur > 0) {
        // The picture's own edge pixels carried on, so that its edges are not faded into the page.
        svg += "<filter" + text.Attribute("id", "b") + "><feGaussianBlur" +
               text.Attribute("stdDeviation", Number(style.blur / (own ? sx : 1), 2, compact)) +
               text.Attribute("edgeMode", "duplicate") + "/></filter>" + end + "<g" + text.Attribute("filter", "url(#b)") +
               ">" + end;
    }
    const std::string background =
        Settings::Background != 0 || compact ? Colour(unsigned(Settings::Background), compact, compact && style.blur > 0) : "#000";
    // Where the box is the drawing's own, past it on every side: whole numbers are shorter,
    // and the box clips it.
    svg += "<rect" + (own ? text.Attribute("x", "-1") + text.Attribute("y", "-1") +
                                text.Attribute("width", std::to_string(int(size.OutWidth() / sx) + 2)) +
                                text.Attribute("height", std::to_string(int(size.OutHeight() / sy) + 2))
                          : text.Attribute("width", w) + text.Attribute("height", h)) +
           text.Attribute("fill", background) + "/>" + end;
    // Shapes land where the pictures put them: a vertex on a pixel's centre (half a pixel
    // in), each pixel's square on its output squares. The fill paints both end pixels of every
    // span, so its polygons reach past their edges: a thin outline of the polygon's own colour
    // makes up for it; and it pairs crossings, as the even-odd rule does. (Measured with
    // rsvg-convert against the picture's own render: within 4 % of its RMSE on a shape
    // search's drawing of any kind, where stretching the vertices over the whole picture was
    // 40 % off.)
    const int digits = compact ? 4 : 9;
    std::string group = "<g";
    if (!own)
        group += text.Attribute("transform", "scale(" + Number(sx, digits, compact) + " " + Number(sy, digits, compact) +
                                                 ") translate(" + Number(0.5, 3, compact) + " " + Number(0.5, 3, compact) + ")");
    // Only a polygon of four vertices or more can cross itself, where the rule counts.
    bool crossing = !compact;
    for (const DnaPolygon& polygon : drawing.polygons) crossing = crossing || polygon.points.size() > 3;
    if (crossing) group += text.Attribute("fill-rule", "evenodd");
    if (!compact) group += text.Attribute("stroke-width", "0.5");
    const bool grouped = group != "<g";
    if (grouped) svg += group + ">" + end;
    for (const DnaPolygon& polygon : drawing.polygons) svg += text.Shape(polygon);
    if (grouped) svg += "</g>" + end;
    if (style.blur > 0) svg += "</g>" + end;
    svg += "</svg>\n";
    return style.dataUri ? DataUri(svg.substr(0, svg.size() - 1)) : svg;
}

bool SaveSvg(const DnaDrawing& drawing, const OutputSize& size, const std::string& path, const SvgStyle& style) {
    const std::string svg = DrawingSvg(drawing, size, style);
    return WriteAtomically(path, [&svg](FILE* file) {
        return std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
    });
}
