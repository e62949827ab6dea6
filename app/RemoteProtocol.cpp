#include "app/RemoteProtocol.h"

#include <charconv>
#include <cstdio>

namespace korvan {

namespace {

constexpr std::string_view kRequestWord = "KORVAN3-SEND ";
constexpr std::string_view kReplyWord = "KORVAN3-REPLY ";

// A decimal number of at most 12 digits; the rest of `text` is left in it.
std::optional<std::size_t> TakeNumber(std::string_view& text) {
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    if (digits == 0 || digits > 12) return std::nullopt;
    std::size_t value = 0;
    std::from_chars(text.data(), text.data() + digits, value);
    text.remove_prefix(digits);
    return value;
}

bool TakeChar(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

}  // namespace

std::string RemoteRequestHeader(std::size_t scriptBytes) {
    return std::string(kRequestWord) + std::to_string(scriptBytes) + "\n";
}

std::string EncodeRemoteRequest(std::string_view script) {
    return RemoteRequestHeader(script.size()) + std::string(script);
}

std::string EncodeRemoteReply(RemoteStatus status, std::string_view out, std::string_view err) {
    char header[96];
    std::snprintf(header, sizeof header, "KORVAN3-REPLY %d %zu %zu\n", static_cast<int>(status), out.size(),
                  err.size());
    std::string message(header);
    message += out;
    message += err;
    return message;
}

RequestHeader ParseRequestHeader(std::string_view received) {
    RequestHeader header;
    // Every byte so far must agree with the fixed word, so garbage is refused on its first byte.
    const std::size_t known = std::min(received.size(), kRequestWord.size());
    if (received.substr(0, known) != kRequestWord.substr(0, known))
        return header.state = RequestHeader::State::Bad, header;
    const std::size_t end = received.find('\n');
    if (end == std::string_view::npos) {
        if (received.size() >= kMaxRemoteHeaderBytes) header.state = RequestHeader::State::Bad;
        return header;
    }
    // The prefix check above puts the line end after the word.
    std::string_view rest = received.substr(kRequestWord.size(), end + 1 - kRequestWord.size());
    auto size = TakeNumber(rest);
    if (!size || !TakeChar(rest, '\n')) return header.state = RequestHeader::State::Bad, header;
    header.scriptBytes = *size;
    header.headerBytes = end + 1;
    header.state = *size > kMaxRemoteScriptBytes ? RequestHeader::State::TooLarge : RequestHeader::State::Ok;
    return header;
}

std::optional<RemoteReply> ParseRemoteReply(std::string_view received) {
    if (received.substr(0, kReplyWord.size()) != kReplyWord) return std::nullopt;
    std::string_view rest = received.substr(kReplyWord.size());
    auto status = TakeNumber(rest);
    if (!status || !TakeChar(rest, ' ')) return std::nullopt;
    auto out = TakeNumber(rest);
    if (!out || !TakeChar(rest, ' ')) return std::nullopt;
    auto err = TakeNumber(rest);
    if (!err || !TakeChar(rest, '\n')) return std::nullopt;
    if (rest.size() != *out + *err) return std::nullopt;
    RemoteReply reply;
    reply.status = static_cast<RemoteStatus>(*status);
    reply.out = std::string(rest.substr(0, *out));
    reply.err = std::string(rest.substr(*out));
    return reply;
}

}  // namespace korvan
