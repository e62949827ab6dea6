#pragma once
// File names as scene files hold them.
//
// Scene files were first written with backslash paths ("..\\img\\a.bmp", "C:\\x\\y.bmp",
// "\\\\server\\share\\z.png"); on this platform "/" is a separator too and a name starting with
// "/" is absolute. A relative name is joined to the scene folder; files are opened with every
// "\" read as "/".
#include <string>
#include <string_view>

namespace korvan {

// "\\\\share...", "X:\\...", "X:/..." and "/..." are absolute.
bool IsAbsolutePath(std::string_view name);

// Absolute names unchanged; others joined to the folder (one trailing separator removed).
std::string ResolvePath(std::string_view folder, std::string_view name);

// The name with every backslash turned into "/", as the file system wants it.
std::string NativePath(std::string_view name);

// Folder part of a path (without the trailing separator); "" when there is none.
std::string FolderOf(std::string_view path);

// The name after the path's last separator.
std::string FileNameOf(std::string_view path);

// The folder of a path joined to the current folder when it is relative (the current folder
// itself when the path has none), with a trailing "/".
std::string AbsoluteFolderOf(std::string_view path);

struct RelativePath {
    std::string path;       // relative with "\\" separators, or the full path when impossible
    bool relative = false;  // false: the two share no leading component (another root)
};

// file relative to folder: "..\\" for every folder component past the shared start, then the
// rest of the file's components joined by "\\". Both "\\" and "/" separate components.
RelativePath MakeRelative(std::string_view file, std::string_view folder);

}  // namespace korvan
