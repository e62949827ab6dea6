#pragma once
// Writing a scene back as the script that rebuilds it: bodies with their sizes, properties and
// state of motion, cameras, meters, music windows, connections, actuations, collisions, key and
// controller forces and the environment. The save command and the backups use the same writer;
// only the target folder and the quiet flag differ.
#include <array>
#include <cstdio>
#include <string>

#include "script/DispatchApp.h"
#include "script/SceneDocument.h"

namespace korvan {

struct SceneWriteOptions {
    // Folder of the file being written; every file name is written relative to it.
    std::string saveFolder;
    // Set while a backup is written: a file that cannot be made relative is not reported.
    bool quiet = false;
    // ShowControl flags CPU, BGM, METER, PANEL; -1 (never set) is written as 1, the start-up value.
    std::array<int, kControlCount> shownControls{-1, -1, -1, -1};
};

// The whole scene file as the bytes written: Shift-JIS with CR LF line ends.
std::string SceneFileBytes(const SceneDocument& document, const SceneWriteOptions& options);

// Writes the scene file to an open file.
void WriteScene(std::FILE* file, const SceneDocument& document, const SceneWriteOptions& options);

// The save command without its dialog: writes the scene to path. A file that cannot be opened
// gives the message "<path> \n\nに書き込めません" and false. On success the scene folder becomes
// the file's folder.
bool SaveSceneAs(SceneDocument& document, const CDispatchAPP& application, const std::string& path);

}  // namespace korvan
