#pragma once

#include <cstdio>
#include <ios>

// Moves raw bytes to or from one medium. The first incomplete or refused transfer marks the
// streamer failed for good, and every later transfer returns false without touching the medium.
class Streamer {
public:
    virtual ~Streamer() = default;
    virtual bool Write(const void* data, unsigned long length) = 0;
    virtual bool Read(void* data, unsigned long length) = 0;

    bool failed = false;
};

// Over a C FILE*, which the caller opens and closes.
class PosixStreamer : public Streamer {
public:
    explicit PosixStreamer(FILE* file_) : file(file_) {}
    bool Write(const void* data, unsigned long length) override;
    bool Read(void* data, unsigned long length) override;

    FILE* file;
};

// Over a standard file stream; reads need an istream, writes an ostream.
class StreamStreamer : public Streamer {
public:
    explicit StreamStreamer(std::basic_ios<char>& ios_) : ios(&ios_) {}
    bool Write(const void* data, unsigned long length) override;
    bool Read(void* data, unsigned long length) override;

    std::basic_ios<char>* ios;
};

// Over a caller's buffer of fixed capacity; a transfer that does not fit whole is refused.
class BufferStreamer : public Streamer {
public:
    BufferStreamer(unsigned char* buffer, unsigned long capacity_)
        : cursor(buffer), capacity(capacity_) {}
    bool Write(const void* data, unsigned long length) override;
    bool Read(void* data, unsigned long length) override;

    unsigned char* cursor;
    unsigned long capacity;
    unsigned long position = 0;

private:
    // True if `length` more bytes fit; otherwise the streamer fails.
    bool Take(unsigned long length);
};
