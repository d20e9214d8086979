#pragma once
#include <QString>
#include <cstdint>

// Small deterministic generator (splitmix64): the same seed gives the same
// fixture data on every run and every platform, unlike <random>'s distributions.
class Rng
{
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Whole number in [lo, hi].
    qint64 range(qint64 lo, qint64 hi) { return lo + qint64(next() % std::uint64_t(hi - lo + 1)); }
    bool chance(int percent) { return int(next() % 100) < percent; }
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }

    // Stable 64-bit hash of a text (FNV-1a over UTF-8), for seeding by id.
    static std::uint64_t hash(const QString &text)
    {
        std::uint64_t h = 0xCBF29CE484222325ULL;
        for (char c : text.toUtf8()) {
            h ^= std::uint8_t(c);
            h *= 0x100000001B3ULL;
        }
        return h;
    }

private:
    std::uint64_t m_state;
};
