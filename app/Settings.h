#pragma once
// The settings file KORVAN3.ini: one "KEY value" line per setting, read at start-up and written
// back at normal exit. Keys are compared ignoring case, values are split like the command line
// (blanks and tabs separate, double quotes group), numbers take their leading part, a key given
// twice takes its last value and unknown keys are skipped. The file is written in Shift-JIS with
// CR LF line ends and read as UTF-8 when it is valid UTF-8, else as Shift-JIS.
//
// The fields carry the names of their keys. Dialogs change them in memory; the caller decides
// when WriteSettings runs (only at a normal exit, never on an error path).
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace korvan {

// The sixteen display flags, in the order of the VIEW_PLAY_* and VIEW_FACTORY_* keys.
inline constexpr int kViewFlagCount = 16;
inline constexpr std::array<std::string_view, kViewFlagCount> kViewFlagNames = {
    "SOLID", "SKIN", "BLENDALL", "WIREFRAME", "CRASH", "JOIN",  "SEL", "DRAG",
    "PANEL", "SEAL", "SHADE",    "RANK",      "FORCE", "SPEED", "BGM", "BACKGROUND"};

// One folder of the model loader's automatic search: files named `name` are looked for under
// `folder`.
struct AutoSearchPair {
    std::string name;
    std::string folder;
    bool operator==(const AutoSearchPair&) const = default;
};

struct Settings {
    // Stored display flags of the two working modes (0/1).
    std::array<int, kViewFlagCount> VIEW_PLAY = {0, 1, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1};
    std::array<int, kViewFlagCount> VIEW_FACTORY = {1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 1, 1, 1, 0, 0};
    // Mouse-mode assignment of the three buttons.
    int MOUSE_ROTATE = 2;
    int MOUSE_MOVE = 6;
    int MOUSE_ZOOM = 4;
    int ENV_GL_LIMIT2POWER = 0;  // texture sizes limited to powers of two
    // Calculation threads: mode 0 measured at start-up, 1 single, 2 ENV_CUR_CPUS_NUM, 3 processors / 2 - 1.
    int ENV_CUR_CPUS_MODE = 3;
    int ENV_CUR_CPUS_NUM = 1;
    int ENV_OPTIMIZED_CORES = -1;  // best count found by the start-up benchmark; negative: not measured
    // Written only: the stereo mode is decided anew at every start, so reading leaves it alone. The
    // caller stores the run's stereo mode here before writing.
    int ENV_STEREO_MODE = 0;
    double ENV_STEREO_ANGLE = 2.0;
    int ENV_STEREO_SWAP = 0;
    int ENV_STEREO_SETPRJ = 1;
    int ENV_STEREO_USECAM = 0;       // use the tracking camera
    std::string ENV_STEREO_CAMNAME;  // tracking camera device name
    double ENV_STEREO_CAMX = 1.0;    // tracking camera gains
    double ENV_STEREO_CAMY = 1.0;
    int ENV_ANTI_START = 0;   // anti-aliasing samples
    int ENV_OCULUS_SHOW = 1;  // ask about the head-mounted display at start
    int ENV_OCULUS_USE = 0;   // the answer
    std::vector<AutoSearchPair> ENV_AUTOSEARCH;

    bool operator==(const Settings&) const = default;
};

// Applies the lines of a settings file (already decoded to UTF-8) to `settings`; keys the text
// does not name keep their values.
void ApplySettingsText(std::string_view text, Settings& settings);

// The settings file's exact bytes: Shift-JIS, CR LF, every key in its fixed order and layout.
std::string SettingsFileBytes(const Settings& settings);

// Reads the file into `settings`. A missing or unreadable file changes nothing and gives false.
bool ReadSettings(const std::string& path, Settings& settings);

// Writes the file, creating its folder when missing. The new text replaces the old file only
// once it is completely written, so a full disk cannot leave half a file; false when nothing
// could be written.
bool WriteSettings(const std::string& path, const Settings& settings);

// ENV_OPTIMIZED_CORES still negative after reading (never measured): one less than the logical
// processors, at least 1.
void FixOptimizedCores(Settings& settings, int logicalProcessorCount);

}  // namespace korvan
