#include "base/Host.h"

#include <atomic>
#include <cstdio>

namespace korvan {

namespace {
ConsoleHost consoleHost;
std::atomic<Host*> currentHost{nullptr};
}  // namespace

Host& CurrentHost() {
    Host* host = currentHost.load(std::memory_order_acquire);
    return host ? *host : consoleHost;
}

void SetHost(Host* host) {
    currentHost.store(host, std::memory_order_release);
}

void Host::Diagnose(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

void ConsoleHost::ShowMessage(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

void ConsoleHost::ShowScriptMessage(const std::string& text) {
    std::fprintf(stdout, "%s\n", text.c_str());
    std::fflush(stdout);
}

Answer ConsoleHost::Ask(const std::string& text, Answer preferred) {
    Answer answer = hasFixed_ ? fixed_ : preferred;
    std::fprintf(stderr, "%s -> %s\n", text.c_str(), answer == Answer::Yes ? "yes" : "no");
    return answer;
}

void ConsoleHost::SetStatus(const std::string&) {}

// A console has no editor to open; say where the file is.
void ConsoleHost::OpenForEditing(const std::string& path) {
    std::fprintf(stderr, "edit: %s\n", path.c_str());
}

void ConsoleHost::ShowProgress(const std::string& title, const std::string& text, int) {
    if (title == progressTitle_) return;
    progressTitle_ = title;
    std::fprintf(stderr, "%s %s\n", title.c_str(), text.c_str());
}

void ConsoleHost::HideProgress() {
    progressTitle_.clear();
}

}  // namespace korvan
