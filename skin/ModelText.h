#pragma once
// What both model readers share: the whole file in memory, locale-free numbers, messages that
// name the file and the line, and progress that is posted only when the percentage changes.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace korvan {

// The file's bytes followed by a terminating zero; false when it cannot be read. Files beyond
// maxBytes are refused as well (the reason says which).
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& reason);

// Leading number of a token, as the C library's atof/atoi read it but independent of the locale:
// optional sign, digits, fraction, exponent. Returns false (value 0) when the token does not
// start with a number or the number does not fit.
bool ParseDouble(std::string_view token, double& value);
bool ParseInt(std::string_view token, long long& value);

// A message about a line of a model file: the text, then the file and the line.
std::string AtLine(const std::string& text, const std::string& path, long long line);

// The folder of a model file with its trailing "/", or "" (relative references join to it).
std::string ModelFolder(const std::string& path);

// A name a model file references, joined to the model's folder unless it is absolute.
std::string InModelFolder(const std::string& folder, const std::string& name);

// Names in model files are UTF-8 or Shift-JIS; inside the program they are UTF-8.
std::string NameText(std::string_view bytes, bool fileIsUtf8);

// Progress of one reading step, posted to the host when its whole percentage changes.
class ProgressPost {
  public:
    ProgressPost(std::string title, std::string text) : title_(std::move(title)), text_(std::move(text)) {}
    void Show(int percent);
    void SetText(std::string text);

  private:
    std::string title_, text_;
    int shown_ = -1;
};

}  // namespace korvan
