#pragma once

#include <array>
#include <cstdint>

/**
    The analog noise's random numbers: the sequence of the C library's rand() in a process
    that never seeds it (the additive feedback generator r[i] = r[i-3] + r[i-31], seeded
    with 1), 0 ... 2^31 - 1.

    Each processor keeps its own generator, so the audio thread takes no lock (the C library
    guards its shared generator with one) and an instance's noise does not depend on what
    other code in the host draws.
*/
class NoiseSource
{
public:
    NoiseSource() noexcept { reset(); }

    /** Back to the start of the sequence. */
    void reset() noexcept
    {
        std::int32_t r[34];
        r[0] = 1;

        for (int i = 1; i < 31; ++i)
        {
            // 16807 * r[i - 1] % 2147483647 without overflow (Schrage's method).
            const std::int32_t hi = r[i - 1] / 127773;
            const std::int32_t lo = r[i - 1] % 127773;
            std::int32_t word = 16807 * lo - 2836 * hi;

            if (word < 0)
                word += 2147483647;

            r[i] = word;
        }

        for (int i = 0; i < 31; ++i)
            state[(size_t) i] = static_cast<std::uint32_t> (r[i]);

        front = 3;
        rear = 0;

        // The first 310 outputs are discarded by the C library's seeding.
        for (int i = 0; i < 310; ++i)
            next();
    }

    /** The next number, 0 ... 2^31 - 1. */
    std::int32_t next() noexcept
    {
        std::int32_t result;
        fill (&result, 1);
        return result;
    }

    /** The next numbers, as many calls of next() would give them. The positions are kept in
        locals: next() must reload them after every store into the state (the compiler cannot
        tell the two apart), which puts a round trip through memory on every number. */
    void fill (std::int32_t* destination, int count) noexcept
    {
        int f = front, r = rear;

        for (int i = 0; i < count; ++i)
        {
            state[(size_t) f] += state[(size_t) r];
            destination[i] = static_cast<std::int32_t> (state[(size_t) f] >> 1);

            if (++f >= 31)
                f = 0;

            if (++r >= 31)
                r = 0;
        }

        front = f;
        rear = r;
    }

private:
    std::array<std::uint32_t, 31> state {};
    int front = 3, rear = 0;
};
