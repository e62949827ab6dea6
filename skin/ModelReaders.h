#pragma once
// Reading model files into CMQOfile. Every failure is reported to the host with the file (and the
// line, where there is one) and leaves the model cleared; no reader trusts a count, an index or a
// line length it finds in a file.
#include <string>

#include "skin/Model.h"

namespace korvan {

// The reader by the path's last four characters (".obj" or ".mqo", any case). Post-processing is
// separate (PostProcessModel).
bool LoadModel(CMQOfile& model, const std::string& path);

bool ReadObj(CMQOfile& model, const std::string& path);
// Adds the materials of an MTL library to the model; false when the file cannot be read.
bool ReadMtl(CMQOfile& model, const std::string& path);
bool ReadMqo(CMQOfile& model, const std::string& path);

// Groups that name no material share one made for them, with the "newmtl" defaults.
void GiveMaterialToBareGroups(CMQOfile& model);

// A referenced file (texture, material library) as it exists: the path itself, or its Shift-JIS
// spelling; "" when neither exists.
std::string ResolveReference(const std::string& path);

// The title the readers show in the progress window.
inline const char* const kReadingTitle = "ジオメトリデータを読み込み中...";
// The material given to groups that name none.
inline const char* const kNoMaterialName = "(MTLが無い)";

}  // namespace korvan
