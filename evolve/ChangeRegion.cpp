#include "evolve/ChangeRegion.h"

#include "evolve/FlatPolygon.h"
#include "image/Image.h"
#include "image/PolygonScan.h"

#include <algorithm>

void ChangeRegion::Resize(int width, int height) {
    canvasWidth = width;
    const ScoredArea area = ScoredAreaOf(width, height);
    countedWidth = area.width;
    countedHeight = area.height;
    rows.assign(std::size_t(std::max(countedHeight, 0)), Row{});
    firstRow = minLeft = INT_MAX;
    lastRow = maxRight = INT_MIN;
}

inline void ChangeRegion::Mark(int y, int left, int right) {
    Row& row = rows[std::size_t(y)];
    const Interval added{left, right};
    auto touch = [](const Interval& p, const Interval& q) {
        return p.lo <= q.hi + 1 && q.lo <= p.hi + 1;
    };
    auto hull = [](const Interval& p, const Interval& q) {
        return Interval{std::min(p.lo, q.lo), std::max(p.hi, q.hi)};
    };
    // Keeps two ranges apart and in order; a third joins whichever pair lies closest.
    if (row[0].Empty()) {
        row[0] = added;
    } else if (touch(row[0], added) || (!row[1].Empty() && touch(row[1], added))) {
        Interval& with = touch(row[0], added) ? row[0] : row[1];
        with = hull(with, added);
        if (!row[1].Empty() && touch(row[0], row[1])) {
            row[0] = hull(row[0], row[1]);
            row[1] = Interval{};
        }
    } else if (row[1].Empty()) {
        if (added.lo < row[0].lo) {
            row[1] = row[0];
            row[0] = added;
        } else {
            row[1] = added;
        }
    } else {
        // row[0] and row[1] are in order already: the new one goes before, between or after.
        Interval three[3] = {row[0], row[1], added};
        if (added.lo < row[1].lo) {
            three[2] = row[1];
            if (added.lo < row[0].lo) {
                three[1] = row[0];
                three[0] = added;
            } else {
                three[1] = added;
            }
        }
        if (three[1].lo - three[0].hi <= three[2].lo - three[1].hi) {
            row[0] = hull(three[0], three[1]);
            row[1] = three[2];
        } else {
            row[0] = three[0];
            row[1] = hull(three[1], three[2]);
        }
    }
    // Stored only when they move (seldom after the first rows): stores on every call, which
    // the compiler merges into one wide store, would hold up the next call's loads of them.
    if (y < firstRow) firstRow = y;
    if (y > lastRow) lastRow = y;
    if (left < minLeft) minLeft = left;
    if (right > maxRight) maxRight = right;
}

namespace {

// Calls visit(y, left, right) for the polygon's spans inside the counted part, in rows
// rowFrom..rowTo.
template <class Visit>
void CountedSpans(const FlatPolygon& p, int canvasWidth, int countedWidth, int countedHeight,
                  int rowFrom, int rowTo, Visit&& visit) {
    if (!p.Paints() || countedHeight == 0) return;
    if (p.ymax < 0 || p.ymin >= countedHeight || p.xmax < 0 || p.xmin >= countedWidth) return;
    const int lastColumn = countedWidth - 1;
    rowFrom = std::max(rowFrom, 0);
    rowTo = std::min(rowTo, countedHeight - 1);
    if (rowFrom > rowTo) return;
    // The spans of the whole canvas's fill, cut to the counted part.
    scan::ScanPolygon(p.xs.data(), p.ys.data(), p.Count(), canvasWidth, rowFrom, rowTo,
                      [&visit, lastColumn](int y, int left, int right) {
                          if (left > lastColumn) return;
                          visit(y, left, std::min(right, lastColumn));
                      });
}

}  // namespace

void ChangeRegion::RowsThatDiffer(const FlatPolygon& before, const FlatPolygon& now, int& from, int& to) {
    from = INT_MAX;
    to = INT_MIN;
    const int n = now.Count();
    auto reach = [&from, &to](int a, int b) {
        from = std::min(from, std::min(a, b));
        to = std::max(to, std::max(a, b));
    };
    for (int i = 0, prev = n - 1; i < n; prev = i++) {
        if (now.xs[i] == before.xs[i] && now.ys[i] == before.ys[i] && now.xs[prev] == before.xs[prev] &&
            now.ys[prev] == before.ys[prev])
            continue;
        reach(now.ys[prev], now.ys[i]);
        reach(before.ys[prev], before.ys[i]);
    }
    // A last row that moves is reached too: a vertex at the old or the new last row moved,
    // and its edges reach that row.
}

std::size_t ChangeRegion::Rasterize(FlatPolygon& p, std::size_t limit, const FlatPolygon* before) const {
    p.spansKnown = false;
    p.spans.clear();
    p.rowStart.clear();
    int row = INT_MIN;
    bool fits = true;
    auto keep = [&p, &row, &fits, limit](int y, int left, int right) {
        if (!fits) return;
        if (p.spans.size() >= limit) {
            fits = false;
            return;
        }
        if (row == INT_MIN) {
            p.firstSpanRow = row = y;
            p.rowStart.push_back(0);
        }
        for (; row < y; ++row) p.rowStart.push_back(int(p.spans.size()));
        // Field by field: a span built on the stack is stored as two halves and read back
        // whole, which the processor cannot forward and waits for.
        FlatPolygon::Span& span = p.spans.emplace_back();
        span.left = left;
        span.right = right;
    };
    if (before && before->spansKnown && before->Count() == p.Count() && p.Paints()) {
        // Another shape of the same polygon: its spans, but for the rows that can differ.
        int from, to;
        RowsThatDiffer(*before, p, from, to);
        const int beforeLast = before->firstSpanRow + before->SpanRows() - 1;
        auto copy = [&](int first, int last) {
            for (int y = std::max(first, before->firstSpanRow); y <= std::min(last, beforeLast); ++y)
                before->ForEachSpanIn(y, [&keep, y](int left, int right) { keep(y, left, right); });
        };
        copy(INT_MIN, from - 1);
        if (from <= to) {
            CountedSpans(p, canvasWidth, countedWidth, countedHeight, from, to, keep);
            copy(to + 1, INT_MAX);
        }
    } else {
        CountedSpans(p, canvasWidth, countedWidth, countedHeight, 0, countedHeight - 1, keep);
    }
    if (!fits) {
        p.spans.clear();
        p.rowStart.clear();
        return 0;
    }
    if (row != INT_MIN) p.rowStart.push_back(int(p.spans.size()));
    p.spansKnown = true;
    return p.spans.size();
}

bool ChangeRegion::Misses(const FlatPolygon& p) const {
    return !p.Paints() || p.ymax < firstRow || p.ymin > lastRow || p.xmax < minLeft ||
           p.xmin > maxRight;
}

void ChangeRegion::Add(const FlatPolygon& p) {
    if (p.spansKnown) {
        for (int y = p.firstSpanRow; y < p.firstSpanRow + p.SpanRows(); ++y)
            p.ForEachSpanIn(y, [this, y](int left, int right) { Mark(y, left, right); });
        return;
    }
    CountedSpans(p, canvasWidth, countedWidth, countedHeight, 0, countedHeight - 1,
                 [this](int y, int left, int right) { Mark(y, left, right); });
}

void ChangeRegion::AddDifference(const FlatPolygon& a, const FlatPolygon& b) {
    if (!a.spansKnown || !b.spansKnown) {
        Add(a);
        Add(b);
        return;
    }
    static_assert(sizeof(RowSpan) == sizeof(FlatPolygon::Span), "one span layout");
    const auto* sa = reinterpret_cast<const RowSpan*>(a.spans.data());
    const auto* sb = reinterpret_cast<const RowSpan*>(b.spans.data());
    const int aFirst = a.firstSpanRow, aLast = a.firstSpanRow + a.SpanRows() - 1;
    const int bFirst = b.firstSpanRow, bLast = b.firstSpanRow + b.SpanRows() - 1;
    int first = std::min(a.SpanRows() ? aFirst : INT_MAX, b.SpanRows() ? bFirst : INT_MAX);
    int last = std::max(a.SpanRows() ? aLast : INT_MIN, b.SpanRows() ? bLast : INT_MIN);
    if (a.Count() == b.Count()) {  // two shapes of one polygon: the same spans outside these rows
        int from, to;
        RowsThatDiffer(a, b, from, to);
        first = std::max(first, from);
        last = std::min(last, to);
    }
    for (int y = first; y <= last; ++y) {
        int na = 0, nb = 0;
        const RowSpan* ra = nullptr;
        const RowSpan* rb = nullptr;
        if (y >= aFirst && y <= aLast) {
            const std::size_t k = std::size_t(y - aFirst);
            ra = sa + a.rowStart[k];
            na = a.rowStart[k + 1] - a.rowStart[k];
        }
        if (y >= bFirst && y <= bLast) {
            const std::size_t k = std::size_t(y - bFirst);
            rb = sb + b.rowStart[k];
            nb = b.rowStart[k + 1] - b.rowStart[k];
        }
        if (na || nb) MarkDifference(y, ra, na, rb, nb);
    }
}

void ChangeRegion::MarkDifference(int y, const RowSpan* a, int na, const RowSpan* b, int nb) {
    if (na == 1 && nb == 1) {  // the common case: one span before and after
        const int a0 = a->left, a1 = a->right, b0 = b->left, b1 = b->right;
        if (a1 < b0 || b1 < a0) {
            Mark(y, a0, a1);
            Mark(y, b0, b1);
            return;
        }
        // Overlapping: only the ends that moved differ.
        if (a0 != b0) Mark(y, std::min(a0, b0), std::max(a0, b0) - 1);
        if (a1 != b1) Mark(y, std::min(a1, b1) + 1, std::max(a1, b1));
        return;
    }
    if (nb == 0 || na == 0) {  // painted on one side only
        const RowSpan* s = na ? a : b;
        const int n = na ? na : nb;
        for (int i = 0; i < n; ++i) Mark(y, s[i].left, s[i].right);
        return;
    }
    // Any other mix: sweep the difference of the two paint counts along the row and mark
    // every run where it is not zero.
    // Each event is one int, column * 4 + (change + 1), so that sorting compares plain ints;
    // the order among events of one column does not matter. The two lists come nearly in
    // order already, which insertion sorts in about one pass.
    events.clear();
    for (int i = 0; i < na; ++i) {
        events.push_back(a[i].left * 4 + 2);
        events.push_back((a[i].right + 1) * 4);
    }
    for (int i = 0; i < nb; ++i) {
        events.push_back(b[i].left * 4);
        events.push_back((b[i].right + 1) * 4 + 2);
    }
    int* e = events.data();
    const int n = int(events.size());
    for (int i = 1; i < n; ++i) {
        const int v = e[i];
        int j = i - 1;
        for (; j >= 0 && e[j] > v; --j) e[j + 1] = e[j];
        e[j + 1] = v;
    }
    int difference = 0;
    for (int k = 0; k < n;) {
        const int x = e[k] >> 2;
        while (k < n && (e[k] >> 2) == x) difference += (e[k++] & 3) - 1;
        if (difference != 0 && k < n) Mark(y, x, (e[k] >> 2) - 1);
    }
}

void ChangeRegion::Clear() {
    for (int y = firstRow; y <= lastRow; ++y) {
        rows[std::size_t(y)][0] = Interval{};
        rows[std::size_t(y)][1] = Interval{};
    }
    firstRow = minLeft = INT_MAX;
    lastRow = maxRight = INT_MIN;
}
