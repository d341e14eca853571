#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A test's rate as a divisor: tells whether a draw leaves remainder 1 with a 32-bit multiply
// and a rotation instead of a division, so that many draws are tested at once (vector units).
// For rate = 2^shift * odd: n is a multiple of rate exactly when rotr(n * odd^-1, shift) is
// at most (2^32 - 1) / rate, for every 32-bit n.
class ChanceRate {
public:
    // A rate of 2 or more.
    explicit ChanceRate(int rate);
    // The index of the first of `count` values that fires, or `count` if none does.
    std::size_t FirstFiring(const std::int32_t* values, std::size_t count) const;
    // value % rate == 1, for the non-negative values rand() gives, as 0 or 1.
    std::uint32_t Fires(std::int32_t value) const {
        // value - 1 a multiple of the rate; value 0 wraps to 2^32 - 1, which must not count.
        const std::uint32_t x = (std::uint32_t(value) - 1u) * inverse_;
        const std::uint32_t turned = (x >> shift_) | (x << ((32 - shift_) & 31));
        return std::uint32_t(turned <= limit_) & std::uint32_t(value != 0);
    }

private:
    // The vector unit's way to the first firing of a run, or `count`.
    std::size_t FirstFiringVector(const std::int32_t* values, std::size_t count) const;
    std::uint32_t inverse_ = 1, limit_ = 0;
    int shift_ = 0;
};

// The run's random draws: the C library's rand() sequence for a seed, as a value the run owns.
// Where the C library's generator is the additive feedback one this program knows (checked
// against rand() itself when seeded), the values are made here, in blocks; elsewhere they are
// rand()'s own, buffered. Either way the stream keeps the values it handed out recently, so a
// run can go back to a position it passed (to make a candidate again) and draw the very same
// values, and can look ahead for the next draw that makes a test fire.
// The furthest position a run is taken to reach (a run record claiming more is damaged): a
// billion draws a second for over a hundred years.
constexpr std::uint64_t kMostDraws = std::uint64_t(1) << 62;

class DrawStream {
public:
    enum class Source { Generator, Library };

    // Values from rand() as the C library stands (whoever seeded it), one rand() call for
    // each new value.
    DrawStream();
    // The sequence srand(seed) starts (also seeds the C library, which gives it where the
    // generator here does not match).
    explicit DrawStream(unsigned seed);

    int Next() {
        if (read_ == head_) Extend(1);
        return values_[std::size_t(read_++) & kMask];
    }
    // The value at a position the stream has passed and still keeps (within Reach() of the
    // next one), without moving: threads may read these while nobody draws.
    int At(std::uint64_t position) const { return values_[std::size_t(position) & kMask]; }
    // Values handed out since the seed: the position of the next one.
    std::uint64_t Position() const { return read_; }
    // Goes back (or forward) to a position the stream has passed and still keeps; false, and
    // nothing changes, when it does not.
    bool Seek(std::uint64_t position);
    // How far back a Seek can always reach, in values.
    static constexpr std::uint64_t Reach() { return kCapacity - kBlock; }
    // Goes to any position of a seeded stream: the generator's words there are computed
    // directly (a jump, in microseconds whatever the distance), or, for rand()'s own values,
    // made one by one; a position too far back starts again from the seed. False for a
    // stream of rand() as the library stood, which cannot go back past what it keeps.
    bool GoTo(std::uint64_t position);

    // Passes over up to `count` values that do not fire `rate` and returns how many it passed;
    // a value that fires is the next one handed out.
    std::size_t SkipQuiet(std::size_t count, const ChanceRate& rate);

    Source Using() const { return source_; }
    static const char* Name(Source source);
    // True when the generator here gives rand()'s sequence for `seed` (its first values
    // compared); leaves the C library seeded with `seed`.
    static bool MatchesLibrary(unsigned seed);

private:
    static constexpr std::size_t kCapacity = std::size_t(1) << 16;
    static constexpr std::size_t kMask = kCapacity - 1;
    static constexpr std::size_t kBlock = 512;
    static constexpr int kLag = 31;

    void Extend(std::size_t wanted);
    void StartGenerator(unsigned seed);
    // Moves the generator `count` words on (a multiple of kBlock) without making the values
    // between: what it keeps starts at the new head.
    void Jump(std::uint64_t count);

    Source source_ = Source::Library;
    bool seeded_ = false;
    unsigned seed_ = 0;
    std::vector<std::int32_t> values_;  // the last kCapacity values, by position & kMask
    std::uint64_t read_ = 0, head_ = 0;  // next to hand out; made so far
    std::uint64_t made_ = 0;             // the first position made since the last jump
    std::uint32_t raw_[kLag + kBlock] = {};  // the generator's words: the last kLag made first
};

namespace draws {

// The stream the genome draws from on this thread: the run's, while one is bound; none
// means rand() itself.
DrawStream* Current();

// Binds a run's stream for as long as it lives.
class Use {
public:
    explicit Use(DrawStream& stream);
    ~Use();
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

private:
    DrawStream* previous;
};

}  // namespace draws
