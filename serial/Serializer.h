#pragma once

#include "serial/Serializable.h"

#include <cstdio>
#include <fstream>
#include <string>

class Streamer;

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

// Writes values through a streamer it owns. Write failures show only through good().
class SerialSaver : public Serializer {
public:
    explicit SerialSaver(FILE* file);
    explicit SerialSaver(std::ofstream& stream);
    SerialSaver(unsigned char* buffer, unsigned long size);
    ~SerialSaver();
    SerialSaver(const SerialSaver&) = delete;
    SerialSaver& operator=(const SerialSaver&) = delete;

    bool good() const override;
    void IO(unsigned char& value) override;
    void IO(unsigned short& value) override;
    void IO(unsigned int& value) override;
    void IO(std::string& text) override;
    void IO(unsigned long long& value) override;
    void IO(bool& value) override;
    int getType() const override { return SaverType; }

    Streamer* streamer;
    bool ownsStreamer;
};

// Reads values back. After a failed read every 16/32/64-bit value is 0 and good() is false.
class SerialLoader : public Serializer {
public:
    explicit SerialLoader(FILE* file);
    explicit SerialLoader(std::ifstream& stream);
    SerialLoader(unsigned char* buffer, unsigned long size);
    ~SerialLoader();
    SerialLoader(const SerialLoader&) = delete;
    SerialLoader& operator=(const SerialLoader&) = delete;

    bool good() const override;
    void IO(unsigned char& value) override;
    void IO(unsigned short& value) override;
    void IO(unsigned int& value) override;
    void IO(std::string& text) override;
    void IO(unsigned long long& value) override;
    void IO(bool& value) override;
    int getType() const override { return LoaderType; }

    Streamer* streamer;
    bool ownsStreamer;
};
