#include "base/Paths.h"

#include <unistd.h>

#include <vector>

namespace korvan {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

std::vector<std::string> Components(std::string_view path) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : path) {
        if (IsSeparator(c))
            parts.push_back(std::move(current)), current.clear();
        else
            current += c;
    }
    parts.push_back(std::move(current));
    return parts;
}

}  // namespace

bool IsAbsolutePath(std::string_view name) {
    if (name.starts_with("\\\\") || name.starts_with("/")) return true;
    return name.size() >= 3 && name[1] == ':' && IsSeparator(name[2]);
}

std::string ResolvePath(std::string_view folder, std::string_view name) {
    if (IsAbsolutePath(name)) return std::string(name);
    if (!folder.empty() && IsSeparator(folder.back())) folder.remove_suffix(1);
    std::string joined(folder);
    joined += '/';
    joined += name;
    return joined;
}

std::string NativePath(std::string_view name) {
    std::string native(name);
    for (char& c : native)
        if (c == '\\') c = '/';
    return native;
}

std::string FolderOf(std::string_view path) {
    std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string_view::npos) return {};
    if (cut == 0) return "/";
    return std::string(path.substr(0, cut));
}

std::string FileNameOf(std::string_view path) {
    std::size_t cut = path.find_last_of("\\/");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string AbsoluteFolderOf(std::string_view path) {
    std::string folder = FolderOf(path);
    if (folder.empty() || !IsAbsolutePath(folder)) {
        char buffer[4096];
        const std::string current = ::getcwd(buffer, sizeof buffer) ? buffer : "/";
        folder = folder.empty() ? current : ResolvePath(current, folder);
    }
    if (!IsSeparator(folder.back())) folder += '/';
    return folder;
}

RelativePath MakeRelative(std::string_view file, std::string_view folder) {
    if (!folder.empty() && IsSeparator(folder.back())) folder.remove_suffix(1);
    std::vector<std::string> f = Components(file), d = Components(folder);
    std::size_t shared = 0;
    while (shared < f.size() - 1 && shared < d.size() && f[shared] == d[shared]) ++shared;
    if (shared == 0) return {std::string(file), false};
    std::string rel;
    for (std::size_t i = shared; i < d.size(); ++i) rel += "..\\";
    for (std::size_t i = shared; i < f.size(); ++i) {
        if (i > shared) rel += '\\';
        rel += f[i];
    }
    return {rel, true};
}

}  // namespace korvan
