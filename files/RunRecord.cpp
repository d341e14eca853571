#include "files/RunRecord.h"

#include "files/AtomicFile.h"
#include "genome/DrawStream.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>

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
    char background[8];
    std::snprintf(background, sizeof background, "%06x", r.background & 0xffffffu);
    nlohmann::json full = json;
    full["background"] = background;
    full["shapes"] = r.shapes;
    if (r.hasDraws) {
        full["draws"] = r.draws;
        full["replay_from"] = r.replayFrom;
    }
    const std::string text = full.dump(2) + "\n";
    return WriteAtomically(path, [&text](FILE* file) {
        return std::fwrite(text.data(), 1, text.size(), file) == text.size();
    });
}

namespace {

// A value of the record, held to [low, high]; throws the reason when it is missing, of
// another type or out of bounds.
template <class T>
T Bounded(const nlohmann::json& json, const char* key, T low, T high) {
    if (!json.contains(key)) throw std::string("no \"") + key + "\"";
    const nlohmann::json& value = json.at(key);
    const std::string range = "a whole number from " + std::to_string(low) + " to " + std::to_string(high);
    // Every bound is at least 0: a negative number never fits.
    const bool fits = value.is_number_unsigned() && value.get<std::uint64_t>() >= std::uint64_t(low) &&
                      value.get<std::uint64_t>() <= std::uint64_t(high);
    std::string shown = value.dump();
    if (shown.size() > 24) shown = shown.substr(0, 20) + "...";
    if (!fits) throw std::string("\"") + key + "\" is " + shown + ", not " + range;
    return value.get<T>();
}

std::string Text(const nlohmann::json& json, const char* key) {
    if (!json.contains(key)) throw std::string("no \"") + key + "\"";
    if (!json.at(key).is_string()) throw std::string("\"") + key + "\" is not text";
    return json.at(key).get<std::string>();
}

RunRecord ReadRecord(const nlohmann::json& json) {
    RunRecord read;
    read.program = Text(json, "program");
    read.target = Text(json, "target");
    read.targetWidth = Bounded(json, "target_width", 1, 1 << 20);
    read.targetHeight = Bounded(json, "target_height", 1, 1 << 20);
    read.width = Bounded(json, "width", 1, 32767);
    read.height = Bounded(json, "height", 1, 32767);
    read.maxSize = Bounded(json, "max_size", 0ull, 32767ull);
    if (read.maxSize == 1) throw std::string("\"max_size\" is 1, not 0 or 2 to 32767");
    read.seed = Bounded(json, "seed", 0ull, 4294967295ull);
    read.search = Text(json, "search");
    if (read.search != "mutate" && read.search != "shapes")
        throw "\"search\" is \"" + read.search + "\", not mutate or shapes";
    if (json.contains("shapes")) {
        read.shapes = Text(json, "shapes");
        if (read.shapes.empty() || read.shapes.size() > 64 ||
            read.shapes.find_first_not_of("abcdefghijklmnopqrstuvwxyz,") != std::string::npos)
            throw "\"shapes\" is \"" + read.shapes.substr(0, 20) + "\", not a list of kinds of shape";
    }
    read.maxPolygons = Bounded(json, "max_polygons", 3, 10000);
    read.maxPoints = Bounded(json, "max_points", 3, 1000);
    read.alphaMin = Bounded(json, "alpha_min", 0, 255);
    read.alphaMax = Bounded(json, "alpha_max", read.alphaMin, 255);
    read.generation = Bounded(json, "generation", std::uint32_t(0), std::uint32_t(~0u));
    read.error = Bounded(json, "error", std::uint64_t(0), ~std::uint64_t(0));
    if (json.contains("background")) {
        const std::string colour = Text(json, "background");
        if (colour.size() != 6 || colour.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            throw "\"background\" is \"" + colour.substr(0, 20) + "\", not a colour RRGGBB in hexadecimal";
        read.background = unsigned(std::stoul(colour, nullptr, 16));
    }
    if (json.contains("draws") || json.contains("replay_from")) {
        read.hasDraws = true;
        read.draws = Bounded(json, "draws", std::uint64_t(0), kMostDraws);
        // Where the work under way began: at most one polygon's search before the draws.
        read.replayFrom = Bounded(json, "replay_from", read.draws > kMostReplayed ? read.draws - kMostReplayed : 0,
                                  read.draws);
    }
    return read;
}

}  // namespace

RecordLoad LoadRecord(const std::string& path, RunRecord& r, std::string& why) {
    std::ifstream in(path);
    if (!in) return RecordLoad::Missing;
    // No record of ours is this long; reading a larger one could take any memory.
    constexpr std::size_t kMostBytes = 1u << 16;
    std::string text(kMostBytes + 1, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(std::size_t(in.gcount()));
    if (in.bad()) {
        why = "unreadable";
        return RecordLoad::Damaged;
    }
    if (text.size() > kMostBytes) {
        why = "larger than any run record";
        return RecordLoad::Damaged;
    }
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        why = "not a run record (JSON object)";
        return RecordLoad::Damaged;
    }
    try {
        r = ReadRecord(json);
        return RecordLoad::Loaded;
    } catch (const std::string& reason) {
        why = reason;
        return RecordLoad::Damaged;
    }
}
