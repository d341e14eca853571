#pragma once

class Serializer;

// Base of every class stored in a progress file: one routine sizes, writes and reads it.
class Serializable {
public:
    virtual void serialize(Serializer& serializer) = 0;
    virtual ~Serializable() = default;
};
