#pragma once
// What travels over the remote-automation socket. One connection carries one request and its
// reply, then closes:
//
//     client -> program:  "KORVAN3-SEND <n>\n"  followed by n bytes of script text (UTF-8)
//     program -> client:  "KORVAN3-REPLY <status> <out> <err>\n"  followed by out bytes of
//                         MsgBox text and err bytes of messages and error report
//
// The header is plain text so that a stray `nc` or a typo shows at once what went wrong. Sizes
// are checked against fixed limits before anything is read into memory, so a client cannot make
// the program allocate more than the limit, whatever it announces.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace korvan {

// Largest script accepted; bigger announcements are refused from the header alone.
inline constexpr std::size_t kMaxRemoteScriptBytes = 4u << 20;
// A header longer than this without its line end is not one of ours.
inline constexpr std::size_t kMaxRemoteHeaderBytes = 64;
// Largest reply a client takes (the program cuts its output well below this).
inline constexpr std::size_t kMaxRemoteReplyBytes = 8u << 20;

enum class RemoteStatus : int {
    Ok = 0,           // the script ran to its end
    ScriptError = 1,  // the script stopped on an error; err holds the report
    Refused = 3,      // the request itself was bad (garbage, too large, incomplete, busy)
};

// The header line of a request for a script of `scriptBytes` bytes; the script follows it.
std::string RemoteRequestHeader(std::size_t scriptBytes);
std::string EncodeRemoteRequest(std::string_view script);
std::string EncodeRemoteReply(RemoteStatus status, std::string_view out, std::string_view err);

// How far a request header has been read.
struct RequestHeader {
    enum class State { Incomplete, Bad, TooLarge, Ok } state = State::Incomplete;
    std::size_t headerBytes = 0;  // bytes of the header line including "\n" (state Ok)
    std::size_t scriptBytes = 0;  // announced script size (Ok, TooLarge)
};
// Looks at the first bytes a client sent.
RequestHeader ParseRequestHeader(std::string_view received);

struct RemoteReply {
    RemoteStatus status = RemoteStatus::Ok;
    std::string out;
    std::string err;
};
// A complete reply, or nothing when `received` is not (yet) a whole, well-formed reply.
std::optional<RemoteReply> ParseRemoteReply(std::string_view received);

}  // namespace korvan
