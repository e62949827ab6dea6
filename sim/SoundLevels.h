#pragma once
// The two effect-sound accumulators that contacts feed: crash depth and slip speed. Several
// calculation threads add to them during the same control pass, so each is an atomic double
// that loses no addition; the sound thread reads and resets them.
#include <atomic>

namespace korvan {

struct SoundLevels {
    std::atomic<double> crashSoundLevel{0};
    std::atomic<double> slipSoundLevel{0};

    static void Add(std::atomic<double>& level, double amount) {
        level.fetch_add(amount, std::memory_order_relaxed);
    }
    // Reads a level and sets it back to zero in one step.
    static double Take(std::atomic<double>& level) { return level.exchange(0, std::memory_order_relaxed); }
};

}  // namespace korvan
