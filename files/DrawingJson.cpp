#include "files/DrawingJson.h"

#include "files/AtomicFile.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cstdio>
#include <fstream>

namespace {

std::string Hex(unsigned rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "%06x", rgb & 0xffffffu);
    return text;
}

// A colour "RRGGBB"; throws the reason otherwise.
unsigned Colour(const nlohmann::json& value, const std::string& where) {
    const std::string text = value.is_string() ? value.get<std::string>() : "";
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw where + " is not a colour RRGGBB";
    return unsigned(std::stoul(text, nullptr, 16));
}

long Whole(const nlohmann::json& value, long low, long high, const std::string& where) {
    if (!value.is_number_integer() || value.get<long>() < low || value.get<long>() > high)
        throw where + " is not a whole number from " + std::to_string(low) + " to " + std::to_string(high);
    return value.get<long>();
}

// A shape of a kind held by parameters: each a number under its own name.
DnaPolygon ParametricOf(const nlohmann::json& shape, int number, const std::string& where) {
    const ShapeKind& kind = *ShapeKinds()[std::size_t(number)];
    Shape made;
    made.kind = number;
    for (const Param& param : kind.Params()) {
        const nlohmann::json& value = shape.contains(param.name) ? shape.at(param.name) : nlohmann::json();
        if (!value.is_number()) throw where + " has no number \"" + param.name + "\"";
        made.p.push_back(float(value.get<double>()));
    }
    if (!ParamsValid(kind, made.p)) throw where + " (" + kind.Name() + ") is beyond any picture's bounds";
    return DnaPolygon::Of(made, 0);
}

DnaPolygon ShapeOf(const nlohmann::json& shape, const std::string& where) {
    const std::string name = shape.is_object() ? shape.value("kind", "") : "";
    int number = -1;
    for (std::size_t i = 0; i < ShapeKinds().size(); ++i)
        if (!ShapeKinds()[i]->Outlined() && name == ShapeKinds()[i]->Name()) number = int(i);
    if (number < 0 && name != "polygon") throw where + " is not a shape of a kind this build knows";
    const nlohmann::json& points = shape.contains("points") ? shape.at("points") : nlohmann::json::array();
    if (number < 0 && (!points.is_array() || points.size() > 1000)) throw where + " has no points (up to 1000)";
    std::list<DnaPoint> vertices;
    for (const nlohmann::json& p : number < 0 ? points : nlohmann::json::array()) {
        if (!p.is_array() || p.size() != 2) throw where + " has a point that is not [x, y]";
        DnaPoint point;
        point.x = short(Whole(p[0], -32768, 32767, where + "'s x"));
        point.y = short(Whole(p[1], -32768, 32767, where + "'s y"));
        vertices.push_back(point);
    }
    const unsigned rgb = Colour(shape.contains("color") ? shape.at("color") : nlohmann::json(), where + "'s color");
    const unsigned alpha = unsigned(Whole(shape.contains("alpha") ? shape.at("alpha") : nlohmann::json(), 0, 255,
                                          where + "'s alpha"));
    DnaPolygon polygon = number < 0 ? DnaPolygon(std::move(vertices), 0) : ParametricOf(shape, number, where);
    polygon.color = rgb << 8 | alpha;
    return polygon;
}

}  // namespace

std::string DrawingJsonText(const DrawingJson& d) {
    nlohmann::json shapes = nlohmann::json::array();
    bool parametric = false;
    for (const DnaPolygon& polygon : d.polygons) {
        nlohmann::json shape = {{"kind", "polygon"}};
        if (polygon.Parametric()) {
            const ShapeKind& kind = *ShapeKinds()[std::size_t(polygon.kind)];
            shape["kind"] = kind.Name();
            const std::vector<Param> params = kind.Params();
            for (std::size_t i = 0; i < params.size(); ++i) shape[params[i].name] = double(polygon.params[i]);
        } else {
            nlohmann::json points = nlohmann::json::array();
            for (const DnaPoint& p : polygon.points) points.push_back({p.x, p.y});
            shape["points"] = points;
        }
        shape["color"] = Hex(polygon.color >> 8);
        shape["alpha"] = polygon.color & 0xff;
        shapes.push_back(shape);
        parametric = parametric || polygon.Parametric();
    }
    const nlohmann::json json = {{"format", "polyevolve drawing"},
                                 {"version", parametric ? DrawingJson::kVersion : 1},
                                 {"width", d.width},
                                 {"height", d.height},
                                 {"picture_width", d.pictureWidth},
                                 {"picture_height", d.pictureHeight},
                                 {"background", Hex(d.background)},
                                 {"shapes", shapes}};
    return json.dump() + "\n";
}

bool SaveDrawingJson(const DrawingJson& json, const std::string& path) {
    const std::string text = DrawingJsonText(json);
    return WriteAtomically(path, [&text](FILE* file) {
        return std::fwrite(text.data(), 1, text.size(), file) == text.size();
    });
}

bool LoadDrawingJson(const std::string& path, DrawingJson& out, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "cannot be opened";
        return false;
    }
    // The largest drawing the limits allow is under 100 MiB as JSON; nothing larger is read.
    constexpr std::size_t kMostBytes = std::size_t(100) << 20;
    std::string text(kMostBytes + 1, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(std::size_t(in.gcount()));
    if (text.size() > kMostBytes) {
        why = "larger than any drawing";
        return false;
    }
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    try {
        if (json.is_discarded() || !json.is_object() || json.value("format", "") != "polyevolve drawing")
            throw std::string("not a drawing of ours (JSON with \"format\": \"polyevolve drawing\")");
        const long version = Whole(json.value("version", nlohmann::json()), 1, 1000000, "\"version\"");
        if (version > DrawingJson::kVersion)
            throw "version " + std::to_string(version) + ", newer than this build reads (" +
                std::to_string(DrawingJson::kVersion) + ")";
        DrawingJson d;
        d.width = int(Whole(json.value("width", nlohmann::json()), 1, 32767, "\"width\""));
        d.height = int(Whole(json.value("height", nlohmann::json()), 1, 32767, "\"height\""));
        d.pictureWidth = int(Whole(json.value("picture_width", nlohmann::json()), 1, 1 << 20, "\"picture_width\""));
        d.pictureHeight = int(Whole(json.value("picture_height", nlohmann::json()), 1, 1 << 20, "\"picture_height\""));
        d.background = Colour(json.value("background", nlohmann::json()), "\"background\"");
        const nlohmann::json& shapes = json.contains("shapes") ? json.at("shapes") : nlohmann::json();
        if (!shapes.is_array() || shapes.size() > 10000) throw std::string("\"shapes\" is not a list of up to 10000");
        for (std::size_t i = 0; i < shapes.size(); ++i)
            d.polygons.push_back(ShapeOf(shapes[i], "shape " + std::to_string(i + 1)));
        out = std::move(d);
        return true;
    } catch (const std::string& reason) {
        why = reason;
        return false;
    }
}

bool IsJsonPath(const std::string& path) {
    if (path.size() < 5) return false;
    std::string end = path.substr(path.size() - 5);
    for (char& c : end) c = char(std::tolower(static_cast<unsigned char>(c)));
    return end == ".json";
}
