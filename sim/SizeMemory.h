#pragma once
// The last size the user gave per body kind and axis letter ("BOX" X/Y/Z, "CYLINDER" W/R, ...).
// A missing entry reads as -1.
#include <map>
#include <string>
#include <utility>

namespace korvan {

class SizeMemory {
  public:
    double Get(const std::string& kind, char axis) const {
        auto it = sizes_.find({kind, axis});
        return it == sizes_.end() ? -1.0 : it->second;
    }
    void Set(const std::string& kind, char axis, double value) { sizes_[{kind, axis}] = value; }
    void Clear() { sizes_.clear(); }

  private:
    std::map<std::pair<std::string, char>, double> sizes_;
};

}  // namespace korvan
