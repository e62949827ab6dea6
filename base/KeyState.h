#pragma once
// The asynchronous key state: one pressed flag per Windows virtual-key code.
//
// The main view (or the headless runner, or a test) writes a key when it goes down or up; the
// calculation threads read it during the control pass. Every entry is an atomic byte, so readers
// on any thread see whole values without a lock. Codes outside 0..255 read as released and are
// ignored when written.
#include <array>
#include <atomic>
#include <cstdint>

namespace korvan {

class KeyStateTable {
  public:
    static constexpr int kKeyCount = 256;

    bool IsDown(int virtualKey) const {
        if (virtualKey < 0 || virtualKey >= kKeyCount) return false;
        return down_[static_cast<std::size_t>(virtualKey)].load(std::memory_order_acquire) != 0;
    }

    void SetDown(int virtualKey, bool down) {
        if (virtualKey < 0 || virtualKey >= kKeyCount) return;
        down_[static_cast<std::size_t>(virtualKey)].store(down ? 1 : 0, std::memory_order_release);
    }

    void ReleaseAll() {
        for (auto& key : down_) key.store(0, std::memory_order_release);
    }

  private:
    std::array<std::atomic<std::uint8_t>, kKeyCount> down_{};
};

// The process-wide table the user interface fills from the keyboard.
KeyStateTable& ProcessKeyState();

}  // namespace korvan
