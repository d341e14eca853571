#pragma once

#include "serial/Serializable.h"
#include "serial/Streamer.h"

#include <cstdio>
#include <fstream>
#include <list>
#include <string>

// One traversal routine (Serializable::serialize) serves sizing, writing and reading: it makes
// the same IO calls, and the serializer decides what they do. Values are little-endian and
// concatenated with no tags.
class Serializer {
public:
    static constexpr int SizerType = 0;
    static constexpr int SaverType = 1;
    static constexpr int LoaderType = 2;

    virtual bool good() const { return true; }
    virtual void operator&(Serializable& object) { object.serialize(*this); }
    virtual void IO(unsigned char& value) = 0;
    virtual void IO(unsigned short& value) = 0;
    virtual void IO(unsigned int& value) = 0;
    virtual void IO(std::string& text) = 0;
    virtual void IO(unsigned long long& value) = 0;
    virtual void IO(bool& value) = 0;
    virtual int getType() const = 0;

protected:
    // Serializers are always destroyed through their own type.
    ~Serializer() = default;
};

// Counts the bytes that a traversal would write.
class SerialSizer : public Serializer {
public:
    void IO(unsigned char& value) override;
    void IO(unsigned short& value) override;
    void IO(unsigned int& value) override;
    void IO(std::string& text) override;
    void IO(unsigned long long& value) override;
    void IO(bool& value) override;
    int getType() const override { return SizerType; }

    unsigned int count = 0;
};

// What the saver and the loader share: a streamer of their own over a C FILE* (which the
// caller opens and closes), a standard file stream or a caller's buffer, deleted with them.
template <class FileStream, int Type>
class StreamSerializer : public Serializer {
public:
    explicit StreamSerializer(FILE* file) : streamer(new PosixStreamer(file)) {}
    explicit StreamSerializer(FileStream& stream) : streamer(new StreamStreamer(stream)) {}
    StreamSerializer(unsigned char* buffer, unsigned long size)
        : streamer(new BufferStreamer(buffer, size)) {}
    ~StreamSerializer() {
        if (ownsStreamer) delete streamer;
    }
    StreamSerializer(const StreamSerializer&) = delete;
    StreamSerializer& operator=(const StreamSerializer&) = delete;

    bool good() const override { return !streamer->failed; }
    int getType() const override { return Type; }

    Streamer* streamer;
    bool ownsStreamer = true;
};

// Writes values. Write failures show only through good().
class SerialSaver : public StreamSerializer<std::ofstream, Serializer::SaverType> {
public:
    using StreamSerializer::StreamSerializer;
    void IO(unsigned char& value) override;
    void IO(unsigned short& value) override;
    void IO(unsigned int& value) override;
    void IO(std::string& text) override;
    void IO(unsigned long long& value) override;
    void IO(bool& value) override;
};

// Reads values back. After a failed read every 16/32/64-bit value is 0 and good() is false.
class SerialLoader : public StreamSerializer<std::ifstream, Serializer::LoaderType> {
public:
    using StreamSerializer::StreamSerializer;
    void IO(unsigned char& value) override;
    void IO(unsigned short& value) override;
    void IO(unsigned int& value) override;
    void IO(std::string& text) override;
    void IO(unsigned long long& value) override;
    void IO(bool& value) override;
};

// A list as a count, then each element. Loading replaces the list and stops at the first
// failed read, so a damaged count cannot build more elements than the input holds. A scratch
// element is default-constructed on every pass alike (a random polygon takes its draws then).
template <class Element>
void SerializeList(Serializer& serializer, std::list<Element>& list) {
    unsigned int count = static_cast<unsigned int>(list.size());
    serializer.IO(count);
    Element scratch;
    if (serializer.getType() != Serializer::LoaderType) {
        for (Element& element : list) serializer & element;
        return;
    }
    list.clear();
    for (unsigned int i = 0; i < count && serializer.good(); ++i) {
        serializer & scratch;
        list.push_back(scratch);
    }
}
