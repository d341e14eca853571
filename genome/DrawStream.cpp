#include "genome/DrawStream.h"

#include <algorithm>
#include <cstdlib>

// The C library's generator: 31 words seeded by a linear congruential fill, then
// r[i] = r[i-31] + r[i-3] (mod 2^32) with the first 310 results thrown away; rand() gives
// r[i] >> 1.

namespace {

constexpr int kDiscarded = 310;
constexpr int kCheckedValues = 400;

}  // namespace

DrawStream::DrawStream() : values_(kCapacity) {}

DrawStream::DrawStream(unsigned seed) : values_(kCapacity) {
    if (MatchesLibrary(seed)) {
        source_ = Source::Generator;
        StartGenerator(seed);
    }
}

void DrawStream::StartGenerator(unsigned seed) {
    std::int32_t state[kLag];
    state[0] = std::int32_t(seed == 0 ? 1u : seed);
    std::int64_t word = seed == 0 ? 1 : std::int64_t(seed);
    for (int i = 1; i < kLag; ++i) {
        // 16807 * word % 2147483647 without overflowing 31 bits.
        const std::int64_t hi = word / 127773, lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) word += 2147483647;
        state[i] = std::int32_t(word);
    }
    // The library walks the state with a front and a rear pointer three words apart; the last
    // kLag words of the discarded ones are what the first result is made from.
    int front = 3, rear = 0;
    std::uint32_t words[kLag];
    for (int i = 0; i < kLag; ++i) words[i] = std::uint32_t(state[i]);
    for (int i = 0; i < kDiscarded; ++i) {
        words[front] += words[rear];
        if (i >= kDiscarded - kLag) raw_[i - (kDiscarded - kLag)] = words[front];
        front = (front + 1) % kLag;
        rear = (rear + 1) % kLag;
    }
}

const char* DrawStream::Name(Source source) {
    return source == Source::Generator ? "own generator, the C library's rand() sequence"
                                       : "the C library's rand()";
}

bool DrawStream::MatchesLibrary(unsigned seed) {
    DrawStream own;
    own.source_ = Source::Generator;
    own.StartGenerator(seed);
    std::srand(seed);
    bool same = true;
    for (int i = 0; i < kCheckedValues && same; ++i) same = own.Next() == std::rand();
    std::srand(seed);
    return same;
}

void DrawStream::Extend(std::size_t wanted) {
    if (source_ == Source::Library) {
        // One rand() call a value, never ahead of need, so the C library's own state stays
        // where a program calling rand() itself would have it.
        for (std::size_t i = 0; i < wanted; ++i) values_[std::size_t(head_++) & kMask] = std::rand();
        return;
    }
    while (wanted > 0) {
        // raw_[0, kLag) holds the last kLag words made, oldest first.
        std::uint32_t* r = raw_;
        for (std::size_t i = kLag; i < kLag + kBlock; ++i) r[i] = r[i - kLag] + r[i - 3];
        for (std::size_t i = 0; i < kBlock; ++i)
            values_[std::size_t(head_ + i) & kMask] = std::int32_t(r[kLag + i] >> 1);
        std::copy(r + kBlock, r + kBlock + kLag, r);
        head_ += kBlock;
        wanted = wanted > kBlock ? wanted - kBlock : 0;
    }
}

bool DrawStream::Seek(std::uint64_t position) {
    if (position > head_ || head_ - position > Reach()) return false;
    read_ = position;
    return true;
}

std::size_t DrawStream::SkipQuiet(std::size_t count, const ChanceRate& rate) {
    std::size_t passed = 0;
    while (passed < count) {
        if (read_ == head_) Extend(source_ == Source::Library ? 1 : kBlock);
        // Up to the end of what is made, of the ring, and of the count.
        const std::size_t at = std::size_t(read_) & kMask;
        const std::size_t run =
            std::min<std::uint64_t>({head_ - read_, kCapacity - at, count - passed});
        const std::int32_t* v = values_.data() + at;
        std::size_t k = 0;
        while (k < run && !rate.Fires(v[k])) ++k;
        read_ += k;
        passed += k;
        if (k < run) break;  // the next value fires
    }
    return passed;
}

namespace draws {

namespace {
thread_local DrawStream* current = nullptr;
}  // namespace

DrawStream* Current() { return current; }

Use::Use(DrawStream& stream) : previous(current) { current = &stream; }
Use::~Use() { current = previous; }

}  // namespace draws
