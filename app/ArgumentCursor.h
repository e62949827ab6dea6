#pragma once
// What the window's and the headless runner's command lines share: a cursor over the words, whole
// numbers read strictly, and the held keys of scripted runs.
#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvan {

// A virtual key held down during frames first..last (0-based, inclusive).
struct KeyHold {
    int key = 0;
    int first = 0;
    int last = 0;
};

// The whole text as one number of type T; nothing for an empty text, a sign or digit out of place,
// trailing characters or a value out of T's range.
template <class T>
std::optional<T> ParseWhole(std::string_view text) {
    T value{};
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
    return value;
}

// "VK_UP@0-599" or "38@10-20".
std::optional<KeyHold> ParseKeyHold(const std::string& text);

// Sets the process's key table for `frame` of a scripted run: each held key is down exactly in
// its frame range.
void HoldKeysOfFrame(const std::vector<KeyHold>& keys, int frame);

// Walks the arguments word by word; an option's value is the word after it.
class ArgumentCursor {
  public:
    explicit ArgumentCursor(const std::vector<std::string>& args) : args_(args) {}

    bool Done() const { return next_ >= args_.size(); }
    const std::string& Take() { return args_[next_++]; }
    void Skip() {
        if (!Done()) ++next_;
    }
    // The value of `option`, or nothing with "OPTION needs a value" in `error`.
    const std::string* ValueOf(const std::string& option, std::string& error);
    // The value of "--key" appended to `keys`; false with the reason in `error`.
    bool TakeKeyHold(std::vector<KeyHold>& keys, std::string& error);

  private:
    const std::vector<std::string>& args_;
    std::size_t next_ = 0;
};

}  // namespace korvan
