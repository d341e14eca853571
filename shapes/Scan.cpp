#include "shapes/Scan.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace shapescan {

namespace {

// The centres from xl to xr on row y, if any, clipped.
void Push(double xl, double xr, int y, int width, std::vector<ShapeSpan>& out) {
    if (!(xl <= xr)) return;
    const int left = int(std::max(std::ceil(xl), 0.0));
    const int right = int(std::min(std::floor(xr), double(width - 1)));
    if (left <= right) out.push_back(ShapeSpan{y, left, right});
}

// Where row y crosses a convex polygon: its leftmost and rightmost points (xl > xr for none).
void ConvexRow(const double* xs, const double* ys, int n, double y, double& xl, double& xr) {
    xl = std::numeric_limits<double>::infinity();
    xr = -xl;
    for (int i = 0, j = n - 1; i < n; j = i++) {
        const double ya = ys[j], yb = ys[i];
        if (y < std::min(ya, yb) || y > std::max(ya, yb)) continue;
        if (ya == yb) {
            xl = std::min({xl, xs[i], xs[j]});
            xr = std::max({xr, xs[i], xs[j]});
            continue;
        }
        const double x = xs[j] + (y - ya) * (xs[i] - xs[j]) / (yb - ya);
        xl = std::min(xl, x);
        xr = std::max(xr, x);
    }
}

}  // namespace

void Ellipse(double cx, double cy, double rx, double ry, double degrees, int width, int y0, int y1,
             std::vector<ShapeSpan>& out) {
    const double c = std::cos(degrees * kRadian), s = std::sin(degrees * kRadian);
    const double ia = 1.0 / (rx * rx), ib = 1.0 / (ry * ry);
    // Centre x + dx is inside where a dx^2 + b dx + k <= 0 on the row dy below the centre.
    const double a = c * c * ia + s * s * ib, b1 = 2 * c * s * (ia - ib), k1 = s * s * ia + c * c * ib;
    const double half = std::sqrt(rx * rx * s * s + ry * ry * c * c);
    const auto [top, bottom] = RowsBetween(cy - half, cy + half);
    for (int y = std::max(top, y0); y <= std::min(bottom, y1); ++y) {
        const double dy = y - cy, b = b1 * dy, k = k1 * dy * dy - 1;
        const double d = b * b - 4 * a * k;
        if (d < 0) continue;
        const double root = std::sqrt(d);
        Push(cx + (-b - root) / (2 * a), cx + (-b + root) / (2 * a), y, width, out);
    }
}

void Convex(const double* xs, const double* ys, int n, int width, int y0, int y1, std::vector<ShapeSpan>& out) {
    const auto [low, high] = std::minmax_element(ys, ys + n);
    const auto [top, bottom] = RowsBetween(*low, *high);
    for (int y = std::max(top, y0); y <= std::min(bottom, y1); ++y) {
        double xl, xr;
        ConvexRow(xs, ys, n, y, xl, xr);
        Push(xl, xr, y, width, out);
    }
}

void Stroke(const double* xs, const double* ys, int n, double thickness, int width, int y0, int y1,
            std::vector<ShapeSpan>& out) {
    const double r = thickness / 2;
    const auto [low, high] = std::minmax_element(ys, ys + n);
    const auto [top, bottom] = RowsBetween(*low - r, *high + r);
    std::vector<ShapeSpan> row;
    for (int y = std::max(top, y0); y <= std::min(bottom, y1); ++y) {
        row.clear();
        // Each segment with its round ends is convex: one stretch of the row each; the
        // stretches merged so that no pixel is painted twice.
        for (int i = 0; i + 1 < n; ++i) {
            const double ax = xs[i], ay = ys[i], bx = xs[i + 1], by = ys[i + 1];
            if (y < std::min(ay, by) - r || y > std::max(ay, by) + r) continue;
            double xl = std::numeric_limits<double>::infinity(), xr = -xl;
            for (int end = 0; end < 2; ++end) {
                const double ex = end ? bx : ax, dy = y - (end ? by : ay);
                if (dy * dy > r * r) continue;
                const double half = std::sqrt(r * r - dy * dy);
                xl = std::min(xl, ex - half);
                xr = std::max(xr, ex + half);
            }
            const double length = std::hypot(bx - ax, by - ay);
            if (length > 0) {
                const double nx = -(by - ay) / length * r, ny = (bx - ax) / length * r;
                const double qx[4] = {ax + nx, bx + nx, bx - nx, ax - nx}, qy[4] = {ay + ny, by + ny, by - ny, ay - ny};
                double ql, qr;
                ConvexRow(qx, qy, 4, y, ql, qr);
                xl = std::min(xl, ql);
                xr = std::max(xr, qr);
            }
            Push(xl, xr, y, width, row);
        }
        std::sort(row.begin(), row.end(), [](const ShapeSpan& p, const ShapeSpan& q) { return p.left < q.left; });
        for (const ShapeSpan& span : row) {
            if (out.size() && out.back().y == y && span.left <= out.back().right + 1)
                out.back().right = std::max(out.back().right, span.right);
            else
                out.push_back(span);
        }
    }
}

}  // namespace shapescan
