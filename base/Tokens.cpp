#include "base/Tokens.h"

namespace korvan {

std::vector<std::string> SplitTokens(std::string_view line) {
    std::vector<std::string> tokens;
    std::string current;
    bool quoted = false, inToken = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inToken = true;  // "" is an empty token
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inToken) tokens.push_back(std::move(current)), current.clear();
            inToken = false;
        } else {
            current += c;
            inToken = true;
        }
    }
    if (inToken) tokens.push_back(std::move(current));
    return tokens;
}

}  // namespace korvan
