#include "files/FramePalette.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace {

struct Bin {
    std::uint32_t key = 0;  // five bits a channel
    std::uint64_t count = 0, r = 0, g = 0, b = 0;
    int Mean(int channel) const {
        const std::uint64_t sum = channel == 0 ? r : channel == 1 ? g : b;
        return int((sum + count / 2) / count);
    }
};

struct Box {
    std::size_t begin, end;  // bins
    std::uint64_t count;
    int channel, extent;     // the widest channel, and how wide
};

Box Measure(const std::vector<Bin>& bins, std::size_t begin, std::size_t end) {
    Box box{begin, end, 0, 0, -1};
    int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
    for (std::size_t i = begin; i < end; ++i) {
        box.count += bins[i].count;
        for (int c = 0; c < 3; ++c) {
            low[c] = std::min(low[c], bins[i].Mean(c));
            high[c] = std::max(high[c], bins[i].Mean(c));
        }
    }
    for (int c = 0; c < 3; ++c)
        if (high[c] - low[c] > box.extent) {
            box.extent = high[c] - low[c];
            box.channel = c;
        }
    return box;
}

// Splits boxes, the one with most pixels times width first, at the median of its widest
// channel, until there are `most` or none can be split.
std::vector<Box> Cut(std::vector<Bin>& bins, std::size_t most) {
    std::vector<Box> boxes = {Measure(bins, 0, bins.size())};
    while (boxes.size() < most) {
        std::size_t pick = boxes.size();
        double weight = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const double w = double(boxes[i].count) * boxes[i].extent;
            if (boxes[i].end - boxes[i].begin > 1 && w > weight) {
                weight = w;
                pick = i;
            }
        }
        if (pick == boxes.size()) break;
        const Box box = boxes[pick];
        std::sort(bins.begin() + long(box.begin), bins.begin() + long(box.end),
                  [&box](const Bin& a, const Bin& b) { return a.Mean(box.channel) < b.Mean(box.channel); });
        std::size_t split = box.begin + 1;
        for (std::uint64_t seen = bins[box.begin].count; split + 1 < box.end && seen * 2 < box.count; ++split)
            seen += bins[split].count;
        boxes[pick] = Measure(bins, box.begin, split);
        boxes.push_back(Measure(bins, split, box.end));
    }
    return boxes;
}

std::uint32_t Rgb(Uint32 pixel) { return pixel >> 8; }

}  // namespace

FramePalette MakeFramePalette(const std::vector<Uint32>& pixels) {
    FramePalette out;
    out.indices.resize(pixels.size());
    // Few colours: each its own entry.
    std::unordered_map<std::uint32_t, std::uint8_t> exact;
    for (std::size_t i = 0; i < pixels.size() && exact.size() <= 256; ++i) {
        const auto [at, added] = exact.emplace(Rgb(pixels[i]), std::uint8_t(exact.size() & 0xff));
        if (added && exact.size() <= 256) out.colours.push_back(at->first);
        out.indices[i] = at->second;
    }
    if (exact.size() <= 256) return out;

    std::vector<Bin> bins(1u << 15);
    for (Uint32 p : pixels) {
        const std::uint32_t r = p >> 24, g = p >> 16 & 0xff, b = p >> 8 & 0xff;
        Bin& bin = bins[(r >> 3) << 10 | (g >> 3) << 5 | (b >> 3)];
        ++bin.count;
        bin.r += r;
        bin.g += g;
        bin.b += b;
    }
    for (std::uint32_t k = 0; k < bins.size(); ++k) bins[k].key = k;
    bins.erase(std::remove_if(bins.begin(), bins.end(), [](const Bin& b) { return b.count == 0; }), bins.end());
    const std::vector<Box> boxes = Cut(bins, 256);
    out.colours.clear();
    std::vector<std::array<int, 3>> palette;
    for (const Box& box : boxes) {
        std::uint64_t r = 0, g = 0, b = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            r += bins[i].r;
            g += bins[i].g;
            b += bins[i].b;
        }
        const int mean[3] = {int((r + box.count / 2) / box.count), int((g + box.count / 2) / box.count),
                             int((b + box.count / 2) / box.count)};
        palette.push_back({mean[0], mean[1], mean[2]});
        out.colours.push_back(std::uint32_t(mean[0]) << 16 | std::uint32_t(mean[1]) << 8 | std::uint32_t(mean[2]));
    }
    // Each bin's pixels take the entry nearest the bin's own mean colour.
    std::vector<std::uint8_t> nearest(1u << 15);
    for (const Bin& bin : bins) {
        int best = 0, bestDistance = 1 << 30;
        for (std::size_t e = 0; e < palette.size(); ++e) {
            int d = 0;
            for (int c = 0; c < 3; ++c) d += (palette[e][std::size_t(c)] - bin.Mean(c)) * (palette[e][std::size_t(c)] - bin.Mean(c));
            if (d < bestDistance) {
                bestDistance = d;
                best = int(e);
            }
        }
        nearest[bin.key] = std::uint8_t(best);
    }
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const Uint32 p = pixels[i];
        out.indices[i] = nearest[(p >> 27) << 10 | (p >> 19 & 0x1f) << 5 | (p >> 11 & 0x1f)];
    }
    return out;
}
