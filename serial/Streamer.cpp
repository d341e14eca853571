#include "serial/Streamer.h"

#include <cstring>
#include <istream>
#include <limits>
#include <ostream>

bool PosixStreamer::Write(const void* data, unsigned long length) {
    if (failed) return false;
    if (std::fwrite(data, 1, length, file) != length) failed = true;
    return !failed;
}

bool PosixStreamer::Read(void* data, unsigned long length) {
    if (failed) return false;
    if (std::fread(data, 1, length, file) != length) failed = true;
    return !failed;
}

namespace {
// Lengths beyond the stream's signed size type are refused rather than truncated.
bool FitsStreamSize(unsigned long length) {
    return length <= static_cast<unsigned long>(std::numeric_limits<std::streamsize>::max());
}
}  // namespace

bool StreamStreamer::Write(const void* data, unsigned long length) {
    if (failed) return false;
    auto* out = ios ? dynamic_cast<std::ostream*>(ios) : nullptr;
    if (!out || out->rdstate() != 0 || !FitsStreamSize(length)) {
        failed = true;
        return false;
    }
    out->write(static_cast<const char*>(data), static_cast<std::streamsize>(length));
    failed = out->rdstate() != 0;
    return !failed;
}

bool StreamStreamer::Read(void* data, unsigned long length) {
    if (failed) return false;
    auto* in = ios ? dynamic_cast<std::istream*>(ios) : nullptr;
    if (!in || in->rdstate() != 0 || !FitsStreamSize(length)) {
        failed = true;
        return false;
    }
    in->read(static_cast<char*>(data), static_cast<std::streamsize>(length));
    failed = in->rdstate() != 0;
    return !failed;
}

bool BufferStreamer::Take(unsigned long length) {
    if (failed) return false;
    if (length > capacity - position) {  // refused whole, even if part of it would fit
        failed = true;
        return false;
    }
    return true;
}

bool BufferStreamer::Write(const void* data, unsigned long length) {
    if (!Take(length)) return false;
    if (length) std::memcpy(cursor, data, length);
    cursor += length;
    position += length;
    return true;
}

bool BufferStreamer::Read(void* data, unsigned long length) {
    if (!Take(length)) return false;
    if (length) std::memcpy(data, cursor, length);
    cursor += length;
    position += length;
    return true;
}
