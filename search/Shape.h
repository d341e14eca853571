#pragma once

#include "genome/DrawStream.h"
#include "shapes/ShapeMaker.h"

// A stream's values read again from a position it has passed, without moving it.
class DrawsAt final : public ShapeDraws {
public:
    DrawsAt(const DrawStream& stream, std::uint64_t position) : stream_(stream), position_(position) {}
    int Next() override { return stream_.At(position_++); }

private:
    const DrawStream& stream_;
    std::uint64_t position_;
};

// The run's stream itself, as shapes draw from it.
class DrawsOn final : public ShapeDraws {
public:
    explicit DrawsOn(DrawStream& stream) : stream_(stream) {}
    int Next() override { return stream_.Next(); }

private:
    DrawStream& stream_;
};
