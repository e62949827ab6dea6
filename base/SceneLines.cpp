#include "base/SceneLines.h"

#include "base/Host.h"
#include "base/Paths.h"

namespace korvan {

std::string SceneLines::FileName(const std::string& file) const {
    RelativePath r = MakeRelative(file, saveFolder_);
    if (!r.relative && !quiet_)
        CurrentHost().ShowMessage(file + " と\n" + saveFolder_ +
                                  " は\nルートから異なるので相対パスに変換できません");
    return Literal(r.path);
}

std::string Literal(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '"')
            out += "\"\"";
        else if (c == '\r')
            out += "\" & vbCr & \"";
        else if (c == '\n')
            out += "\" & vbLf & \"";
        else
            out += c;
    }
    return out;
}

std::string CommentText(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

}  // namespace korvan
