#pragma once
// The anomaly report: how any thread tells the main thread that a calculation went wrong.
//
// A calculation thread never throws or stops. It formats its message into the one process-wide
// text buffer (100000 bytes; a later report overwrites an earlier one that was not yet handled)
// and posts message 1138 to the main thread, then carries on. The main loop drains the posts
// between passes (TakeAnomaly) and its handler stops the threads, shows the text and reloads a
// backup. Tests drain the same queue.
#include <cstddef>
#include <string>
#include <string_view>

namespace korvan {

inline constexpr int kAnomalyMessage = 1138;
inline constexpr std::size_t kAnomalyBufferSize = 100000;

// Copies text (cut to the buffer) into the buffer and posts one message. Any thread.
void PostAnomaly(std::string_view text);
// printf-style variant; formats straight into the buffer, so it allocates nothing.
void PostAnomalyFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Main thread: takes one posted message, if any, and copies the buffer's current text.
bool TakeAnomaly(std::string* text);
// Number of posts not yet taken.
int PendingAnomalies();
// Drops every pending post (used after a recovery, and by tests between cases).
void DiscardAnomalies();

// Called on the posting thread after every post, e.g. to wake an event loop. Null to unset.
using AnomalyWakeup = void (*)();
void SetAnomalyWakeup(AnomalyWakeup wakeup);

}  // namespace korvan
