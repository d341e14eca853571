#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <vector>

// The error metric over a 200 x 200 canvas.
static void BM_Compare(benchmark::State& state) {
    Image target = BenchTarget();
    Image canvas(200, 200);
    BenchDrawing(50).Render(canvas);
    for (auto _ : state) benchmark::DoNotOptimize(canvas.Compare(target));
    state.SetItemsProcessed(state.iterations() * 199 * 199);
}
BENCHMARK(BM_Compare);

// Filling 50 random triangles into a 200 x 200 canvas (one drawing's worth of Image::Polygon).
static void BM_Polygon50(benchmark::State& state) {
    BenchTarget();
    const DnaDrawing drawing = BenchDrawing(50);
    std::vector<std::vector<short>> xs, ys;
    std::vector<unsigned> colors;
    for (const DnaPolygon& p : drawing.polygons) {
        xs.emplace_back();
        ys.emplace_back();
        for (const DnaPoint& v : p.points) {
            xs.back().push_back(v.x);
            ys.back().push_back(v.y);
        }
        colors.push_back(p.color);
    }
    Image canvas(200, 200);
    for (auto _ : state) {
        for (std::size_t i = 0; i < xs.size(); ++i)
            canvas.Polygon(xs[i].data(), ys[i].data(), int(xs[i].size()), colors[i]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 50);
}
BENCHMARK(BM_Polygon50);

// One drawing rendered through the genome: clear, then Render for each polygon.
static void BM_RenderDrawing(benchmark::State& state) {
    BenchTarget();
    const DnaDrawing drawing = BenchDrawing(int(state.range(0)));
    Image canvas(200, 200);
    for (auto _ : state) {
        drawing.Render(canvas);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RenderDrawing)->Arg(10)->Arg(50)->Arg(150);
