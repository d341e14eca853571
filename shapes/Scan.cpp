#include "shapes/Scan.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace shapescan {

namespace {

// The centres from xl to xr, if any, clipped to the row: false for none.
bool Columns(double xl, double xr, int width, int& left, int& right) {
    if (!(xl <= xr)) return false;
    left = int(std::max(std::ceil(xl), 0.0));
    right = int(std::min(std::floor(xr), double(width - 1)));
    return left <= right;
}

void Push(double xl, double xr, int y, int width, std::vector<ShapeSpan>& out) {
    int left, right;
    if (Columns(xl, xr, width, left, right)) out.push_back(ShapeSpan{y, left, right});
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

void Ellipse(double cx, double cy, double rx, double ry, double degrees, int width, int y0, int y1, int step,
             std::vector<ShapeSpan>& out) {
    const double c = std::cos(degrees * kRadian), s = std::sin(degrees * kRadian);
    const double ia = 1.0 / (rx * rx), ib = 1.0 / (ry * ry);
    // Centre x + dx is inside where a dx^2 + b dx + k <= 0 on the row dy below the centre.
    const double a = c * c * ia + s * s * ib, b1 = 2 * c * s * (ia - ib), k1 = s * s * ia + c * c * ib;
    const double half = std::sqrt(rx * rx * s * s + ry * ry * c * c);
    const auto [top, bottom] = RowsBetween(cy - half, cy + half);
    for (int y = FirstRow(top, y0, step); y <= std::min(bottom, y1); y += step) {
        const double dy = y - cy, b = b1 * dy, k = k1 * dy * dy - 1;
        const double d = b * b - 4 * a * k;
        if (d < 0) continue;
        const double root = std::sqrt(d);
        Push(cx + (-b - root) / (2 * a), cx + (-b + root) / (2 * a), y, width, out);
    }
}

void Convex(const double* xs, const double* ys, int n, int width, int y0, int y1, int step, std::vector<ShapeSpan>& out) {
    const auto [low, high] = std::minmax_element(ys, ys + n);
    const auto [top, bottom] = RowsBetween(*low, *high);
    for (int y = FirstRow(top, y0, step); y <= std::min(bottom, y1); y += step) {
        double xl, xr;
        ConvexRow(xs, ys, n, y, xl, xr);
        Push(xl, xr, y, width, out);
    }
}

void Stroke(const double* xs, const double* ys, int n, double thickness, int width, int y0, int y1, int step,
            std::vector<ShapeSpan>& out) {
    constexpr int kMostPieces = 64;
    n = std::min(n, kMostPieces + 1);
    const double r = thickness / 2;
    const auto [low, high] = std::minmax_element(ys, ys + n);
    const auto [top, bottom] = RowsBetween(*low - r, *high + r);
    // Each piece with its round ends is convex: one stretch of a row each. Its band (the
    // piece widened by r on both sides) is worked out once.
    struct Piece {
        double qx[4], qy[4], top, bottom;
        bool band;
    } pieces[kMostPieces];
    for (int i = 0; i + 1 < n; ++i) {
        Piece& p = pieces[i];
        const double ax = xs[i], ay = ys[i], bx = xs[i + 1], by = ys[i + 1];
        const double length = std::hypot(bx - ax, by - ay);
        p.band = length > 0;
        const double nx = p.band ? -(by - ay) / length * r : 0, ny = p.band ? (bx - ax) / length * r : 0;
        const double qx[4] = {ax + nx, bx + nx, bx - nx, ax - nx}, qy[4] = {ay + ny, by + ny, by - ny, ay - ny};
        std::copy(qx, qx + 4, p.qx);
        std::copy(qy, qy + 4, p.qy);
        p.top = std::min(ay, by) - r;
        p.bottom = std::max(ay, by) + r;
    }
    for (int y = FirstRow(top, y0, step); y <= std::min(bottom, y1); y += step) {
        int lefts[kMostPieces], rights[kMostPieces], count = 0;
        for (int i = 0; i + 1 < n; ++i) {
            const Piece& p = pieces[i];
            if (y < p.top || y > p.bottom) continue;
            double xl = std::numeric_limits<double>::infinity(), xr = -xl;
            for (int end = 0; end < 2; ++end) {
                const double dy = y - ys[i + end];
                if (dy * dy > r * r) continue;
                const double half = std::sqrt(r * r - dy * dy);
                xl = std::min(xl, xs[i + end] - half);
                xr = std::max(xr, xs[i + end] + half);
            }
            if (p.band) {
                double ql, qr;
                ConvexRow(p.qx, p.qy, 4, y, ql, qr);
                xl = std::min(xl, ql);
                xr = std::max(xr, qr);
            }
            // In order of their left ends (a few at most: an insertion).
            int left, right, at = count;
            if (!Columns(xl, xr, width, left, right)) continue;
            for (; at > 0 && lefts[at - 1] > left; --at) lefts[at] = lefts[at - 1], rights[at] = rights[at - 1];
            lefts[at] = left, rights[at] = right, ++count;
        }
        // The stretches merged, so that no pixel is painted twice.
        for (int i = 0; i < count;) {
            int right = rights[i], j = i + 1;
            for (; j < count && lefts[j] <= right + 1; ++j) right = std::max(right, rights[j]);
            out.push_back(ShapeSpan{y, lefts[i], right});
            i = j;
        }
    }
}

}  // namespace shapescan
