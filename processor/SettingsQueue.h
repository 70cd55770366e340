#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

/**
    One change handed from a parameter, program or state call to the audio side.

    A program selection or a state load is one change, so the audio side applies all of it at
    one block boundary. Each setting it wrote carries the version that the write gave the
    parameter's published setting (counted per parameter, in the order the writes happened):
    the audio side applies a setting only when its version is newer than the one it applied
    last, so whatever order crossing callers' changes arrive in, what it ends up applying is
    the last value published.
*/
struct SettingChange
{
    /** Number of settings a change can carry (the processor's parameters). */
    static constexpr int kMaxSettings = 14;

    enum class Kind : std::int32_t
    {
        parameter,  ///< a parameter's setValue: index and value
        program,    ///< a factory program selection: index is the program
        state       ///< a state load: the values it set, in parameter order
    };

    Kind kind = Kind::parameter;
    std::int32_t index = 0;
    float value = 0.0f;
    /** Bit i set: the change published setting i, as versions[i]; values[i] holds the
        normalised value for a state load. */
    std::uint32_t written = 0;
    std::array<std::uint32_t, kMaxSettings> versions {};
    std::array<float, kMaxSettings> values {};

    bool wrote (int setting) const noexcept
    {
        return setting >= 0 && setting < kMaxSettings && ((written >> setting) & 1u) != 0;
    }
};

/**
    A bounded, lock-free queue of setting changes: any number of threads push, one side (the
    audio thread, or whoever prepares the processor while no block runs) pops. Neither side
    ever waits or allocates; a push into a full queue fails and the caller falls back to a
    full resynchronisation.

    Each cell carries a sequence number that tells whose turn it is, so a consumer only ever
    sees a change after its producer has finished writing it.
*/
class SettingsQueue
{
public:
    static constexpr std::size_t kCapacity = 1024;

    SettingsQueue() noexcept
    {
        for (std::size_t i = 0; i < kCapacity; ++i)
            cells[i].sequence.store (i, std::memory_order_relaxed);
    }

    /** Appends a change; false when the queue is full. Any thread. */
    bool push (const SettingChange& change) noexcept
    {
        auto position = tail.load (std::memory_order_relaxed);

        for (;;)
        {
            auto& cell = cells[position & kMask];
            const auto sequence = cell.sequence.load (std::memory_order_acquire);
            const auto difference = static_cast<std::intptr_t> (sequence) - static_cast<std::intptr_t> (position);

            if (difference == 0)
            {
                if (tail.compare_exchange_weak (position, position + 1, std::memory_order_relaxed))
                {
                    cell.change = change;
                    cell.sequence.store (position + 1, std::memory_order_release);
                    return true;
                }
            }
            else if (difference < 0)
            {
                return false;
            }
            else
            {
                position = tail.load (std::memory_order_relaxed);
            }
        }
    }

    /** Takes the oldest complete change; false when there is none. One consumer at a time. */
    bool pop (SettingChange& change) noexcept
    {
        const auto position = head.load (std::memory_order_relaxed);
        auto& cell = cells[position & kMask];
        const auto sequence = cell.sequence.load (std::memory_order_acquire);

        if (static_cast<std::intptr_t> (sequence) - static_cast<std::intptr_t> (position + 1) < 0)
            return false;

        change = cell.change;
        cell.sequence.store (position + kCapacity, std::memory_order_release);
        head.store (position + 1, std::memory_order_relaxed);
        return true;
    }

    /** Takes up to `limit` changes, oldest first, handing each to `apply`; returns how many it
        took. Changes pushed meanwhile (by other threads, or by `apply`) that go beyond the limit
        stay queued, in order, for the next call. One consumer at a time. */
    template <typename Apply>
    std::size_t popAtMost (std::size_t limit, Apply&& apply) noexcept
    {
        SettingChange change;
        std::size_t n = 0;

        for (; n < limit && pop (change); ++n)
            apply (change);

        return n;
    }

private:
    static constexpr std::size_t kMask = kCapacity - 1;
    static_assert ((kCapacity & kMask) == 0, "capacity must be a power of two");

    struct Cell
    {
        std::atomic<std::size_t> sequence { 0 };
        SettingChange change;
    };

    std::array<Cell, kCapacity> cells;
    alignas (64) std::atomic<std::size_t> tail { 0 };
    alignas (64) std::atomic<std::size_t> head { 0 };
};
