#include <benchmark/benchmark.h>
#include <vips/vips.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <string>

// A web site's photos to placeholders in one command: 1000 JPEGs of 2 to 12 megapixels (ten
// pictures, each under a hundred names) through `polyevolve-batch photos/*.jpg --placeholder
// --save out/`, on one core (taskset) and on two. Counters: pictures a second, and the most
// memory one picture's process took.
//   polyevolve_bench --benchmark_filter=Folder
namespace {

constexpr int kPictures = 1000, kDistinct = 10;

// The photos, made once: the harbour scene enlarged, with a photo's grain, as JPEGs of
// quality 85 (2 to 12 megapixels, 4:3).
std::string Photos() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/polyevolve-folder-XXXXXX";
        const std::string made = mkdtemp(pattern) ? pattern : "/tmp";
        mkdir((made + "/photos").c_str(), 0777);
        VIPS_INIT("polyevolve_bench");
        for (int i = 0; i < kDistinct; ++i) {
            const double megapixels = 2 + 10.0 * i / (kDistinct - 1);
            const int w = int(std::sqrt(megapixels * 1e6 * 4 / 3)), h = w * 3 / 4;
            VipsImage *scene = nullptr, *big = nullptr, *noise = nullptr, *grainy = nullptr, *photo = nullptr;
            const std::string name = made + "/base" + std::to_string(i) + ".jpg";
            if (vips_image_new_from_file(POLYEVOLVE_HARBOUR, nullptr) &&
                !vips_thumbnail(POLYEVOLVE_HARBOUR, &scene, 256, nullptr) &&
                !vips_resize(scene, &big, double(w) / scene->Xsize, "vscale", double(h) / scene->Ysize, nullptr) &&
                !vips_gaussnoise(&noise, big->Xsize, big->Ysize, "sigma", 10.0, "mean", 0.0, nullptr) &&
                !vips_add(big, noise, &grainy, nullptr) && !vips_cast_uchar(grainy, &photo, nullptr))
                vips_jpegsave(photo, name.c_str(), "Q", 85, nullptr);
            for (VipsImage* image : {scene, big, noise, grainy, photo})
                if (image) g_object_unref(image);
        }
        for (int i = 0; i < kPictures; ++i) {
            char link[64];
            std::snprintf(link, sizeof link, "/photos/p%04d.jpg", i);
            const std::string to = made + "/base" + std::to_string(i % kDistinct) + ".jpg";
            if (symlink(to.c_str(), (made + link).c_str()) != 0) std::cerr << "could not link " << link << "\n";
        }
        return made;
    }();
    return folder;
}

void BM_FolderOfPlaceholders(benchmark::State& state) {
    const std::string folder = Photos();
    const std::string cores = state.range(0) == 1 ? "taskset -c 0 " : "";
    const std::string command = cores + "'" POLYEVOLVE_BATCH_BIN "' " + folder + "/photos/*.jpg --placeholder --seed 1 --save " +
                                folder + "/out/ --force --quiet > " + folder + "/summary.txt";
    double seconds = 0;
    for (auto _ : state) {
        std::system(("rm -rf " + folder + "/out").c_str());
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) state.SkipWithError("the folder run failed");
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    state.counters["pictures_per_s"] = kPictures / seconds;
    state.counters["most_mb_a_picture"] = double(usage.ru_maxrss) / 1024.0;
}

}  // namespace

BENCHMARK(BM_FolderOfPlaceholders)->Arg(1)->Arg(2)->ArgName("cores")->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
