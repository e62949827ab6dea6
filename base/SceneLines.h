#pragma once
// The lines of a scene file while they are built (UTF-8, "\n" line ends). The writer lays out the
// file's sections; each body kind and each window writes its own lines into it through Put, and
// file names through FileName, so that every name comes back from the file as it was saved.
#include <string>
#include <string_view>

#include "base/Format.h"

namespace korvan {

class SceneLines {
  public:
    // saveFolder: the folder of the file being written; quiet: a file name that cannot be made
    // relative to it is not reported (backups).
    SceneLines(std::string saveFolder, bool quiet) : saveFolder_(std::move(saveFolder)), quiet_(quiet) {}

    template <class... Args>
    void Put(const char* format, const Args&... args) {
        AppendFormat(out_, format, WithoutNegativeZero(args)...);
    }
    void Text(std::string_view text) { out_ += text; }

    // A file name relative to the save folder, as the inside of a string literal. A name on
    // another root stays whole and is reported unless the writing is quiet.
    std::string FileName(const std::string& file) const;

    std::string& Bytes() { return out_; }

  private:
    // A negative zero is written as 0: "-0" loads back as the integer 0, so a file that kept the
    // sign would not save again to the same bytes.
    static double WithoutNegativeZero(double value) { return value + 0.0; }
    template <class T>
    static const T& WithoutNegativeZero(const T& value) {
        return value;
    }

    std::string out_;
    std::string saveFolder_;
    bool quiet_;
};

// The inside of a string literal: a quote doubled, line ends joined in as the script's own
// constants, so that any name a script could give comes back from the file unchanged.
std::string Literal(std::string_view text);

// A name inside a comment stays on the comment's line.
std::string CommentText(std::string_view text);

}  // namespace korvan
