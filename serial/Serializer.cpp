#include "serial/Serializer.h"

#include "serial/Streamer.h"

#include <algorithm>

void SerialSizer::IO(unsigned char&) { count += 1; }
void SerialSizer::IO(unsigned short&) { count += 2; }
void SerialSizer::IO(unsigned int&) { count += 4; }
void SerialSizer::IO(unsigned long long&) { count += 8; }
void SerialSizer::IO(bool&) { count += 1; }
void SerialSizer::IO(std::string& text) {
    unsigned int length = static_cast<unsigned int>(text.size());
    IO(length);
    count += length;
}

namespace {
template <typename Value>
void WriteValue(Streamer& streamer, Value value) {
    streamer.Write(&value, sizeof value);
}
}  // namespace

void SerialSaver::IO(unsigned char& value) { streamer->Write(&value, 1); }
void SerialSaver::IO(unsigned short& value) { WriteValue(*streamer, value); }
void SerialSaver::IO(unsigned int& value) { WriteValue(*streamer, value); }
void SerialSaver::IO(unsigned long long& value) { WriteValue(*streamer, value); }
void SerialSaver::IO(bool& value) {
    unsigned char byte = value ? 1 : 0;
    IO(byte);
}
void SerialSaver::IO(std::string& text) {
    unsigned int length = static_cast<unsigned int>(text.size());
    IO(length);
    if (length != 0) streamer->Write(text.data(), length);
}

namespace {
// A partial read counts as a failure: no byte of it reaches the value.
template <typename Value>
void ReadValue(Streamer& streamer, Value& value) {
    Value temporary = 0;
    value = streamer.Read(&temporary, sizeof temporary) ? temporary : 0;
}
}  // namespace

void SerialLoader::IO(unsigned char& value) { streamer->Read(&value, 1); }
void SerialLoader::IO(unsigned short& value) { ReadValue(*streamer, value); }
void SerialLoader::IO(unsigned int& value) { ReadValue(*streamer, value); }
void SerialLoader::IO(unsigned long long& value) { ReadValue(*streamer, value); }
void SerialLoader::IO(bool& value) {
    unsigned char byte = 0;
    IO(byte);
    value = byte != 0;
}
void SerialLoader::IO(std::string& text) {
    unsigned int length = 0;
    IO(length);
    if (length == 0) {
        text.clear();
        return;
    }
    // Read in bounded pieces: a damaged length can then never demand more memory than the
    // input really holds.
    constexpr unsigned int piece = 1u << 16;
    std::string arrived;
    while (arrived.size() < length) {
        const std::size_t had = arrived.size();
        const unsigned int want = std::min<unsigned int>(piece, length - unsigned(had));
        arrived.resize(had + want);
        if (!streamer->Read(&arrived[had], want)) {
            text.clear();
            return;
        }
    }
    text = std::move(arrived);
}
