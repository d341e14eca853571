#include "files/RunRecord.h"

#include "files/AtomicFile.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

std::string RecordPath(const std::string& progressPath) {
    const std::string suffix = ".idx";
    if (progressPath.size() > suffix.size() &&
        progressPath.compare(progressPath.size() - suffix.size(), suffix.size(), suffix) == 0)
        return progressPath.substr(0, progressPath.size() - suffix.size()) + ".json";
    return progressPath + ".json";
}

bool SaveRecord(const RunRecord& r, const std::string& path) {
    const nlohmann::json json = {
        {"program", r.program},         {"target", r.target},
        {"target_width", r.targetWidth}, {"target_height", r.targetHeight},
        {"width", r.width},             {"height", r.height},
        {"max_size", r.maxSize},        {"seed", r.seed},
        {"search", r.search},           {"max_polygons", r.maxPolygons},
        {"max_points", r.maxPoints},    {"alpha_min", r.alphaMin},
        {"alpha_max", r.alphaMax},      {"generation", r.generation},
        {"error", r.error},
    };
    nlohmann::json full = json;
    if (r.hasDraws) {
        full["draws"] = r.draws;
        full["replay_from"] = r.replayFrom;
    }
    const std::string text = full.dump(2) + "\n";
    return WriteAtomically(path, [&text](FILE* file) {
        return std::fwrite(text.data(), 1, text.size(), file) == text.size();
    });
}

bool LoadRecord(const std::string& path, RunRecord& r) {
    std::ifstream in(path);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    if (text.str().size() > (1u << 16)) return false;  // no record of ours is this long
    const nlohmann::json json = nlohmann::json::parse(text.str(), nullptr, false);
    if (json.is_discarded() || !json.is_object()) return false;
    try {
        RunRecord read;
        read.program = json.at("program").get<std::string>();
        read.target = json.at("target").get<std::string>();
        read.targetWidth = json.at("target_width").get<int>();
        read.targetHeight = json.at("target_height").get<int>();
        read.width = json.at("width").get<int>();
        read.height = json.at("height").get<int>();
        read.maxSize = json.at("max_size").get<unsigned long long>();
        read.seed = json.at("seed").get<unsigned long long>();
        read.search = json.at("search").get<std::string>();
        read.maxPolygons = json.at("max_polygons").get<int>();
        read.maxPoints = json.at("max_points").get<int>();
        read.alphaMin = json.at("alpha_min").get<int>();
        read.alphaMax = json.at("alpha_max").get<int>();
        read.generation = json.at("generation").get<std::uint32_t>();
        read.error = json.at("error").get<std::uint64_t>();
        if (json.contains("draws")) {
            read.hasDraws = true;
            read.draws = json.at("draws").get<std::uint64_t>();
            read.replayFrom = json.at("replay_from").get<std::uint64_t>();
            if (read.replayFrom > read.draws) return false;
        }
        if (read.width < 1 || read.height < 1 || read.targetWidth < 1 || read.targetHeight < 1) return false;
        r = read;
        return true;
    } catch (const nlohmann::json::exception&) {
        return false;
    }
}
