#pragma once
// Command ids shared by the menu bar, the key table, the context menus and the commands the
// program posts to itself. The values are part of the program's interface (scripts and other
// processes name commands by them), so they never change.
namespace korvan {

enum CommandId : int {
    ID_FILE_OPEN = 32784,
    ID_FILE_SAVE = 32783,
    ID_VIDEO = 32800,
    ID_UNDO = 32818,
    ID_REDO = 32819,
    ID_INITIALISE = 40063,
    ID_APP_EXIT = 57665,
    ID_PLAY_PRESET = 32822,     // F11
    ID_FACTORY_PRESET = 32823,  // F12
    ID_PLAY_KEEP = 32820,       // "F9" in the text only
    ID_FACTORY_KEEP = 32821,    // "F10" in the text only
    ID_FLAG_SOLID = 40009,
    ID_FLAG_SKIN = 40002,
    ID_FLAG_BLENDALL = 40003,
    ID_FLAG_WIREFRAME = 40011,
    ID_FLAG_CRASH = 40004,
    ID_FLAG_JOIN = 40005,
    ID_FLAG_BACKGROUND = 40010,
    ID_FLAG_SEL = 40006,
    ID_FLAG_DRAG = 40068,
    ID_FLAG_PANEL = 40069,
    ID_FLAG_SEAL = 40018,
    ID_FLAG_SHADE = 40019,
    ID_FLAG_FORCE = 40034,
    ID_FLAG_RANK = 40020,
    ID_FLAG_SPEED = 40021,
    ID_FLAG_BGM = 40013,
    ID_MULTITHREAD = 32804,
    ID_DISPLAY_SETTINGS = 32809,
    ID_ACCURACY = 32803,
    ID_OCULUS_SETTINGS = 32802,
    ID_BACKGROUND_CLEAR = 32791,
    ID_BACKGROUND_MARS = 32792,
    ID_BACKGROUND_MOON = 32793,
    ID_BACKGROUND_DUSK = 32795,
    ID_SOUND_SPEED = 32787,
    ID_SOUND_CRASH = 32788,
    ID_SOUND_SLIP = 32789,
    ID_CONTROLLERS = 32807,
    ID_ANTIALIASING = 32806,
    ID_STEREO = 32805,
    ID_SHADOW_SETTINGS = 32810,
    ID_MANUAL = 32799,
    ID_APP_ABOUT = 57664,
    // Commands of the context menus.
    ID_MERGE = 40059,
    ID_SHOW_HIDE_ALL = 40053,
    ID_ADD_VIEW = 40046,
    ID_VIEW_SETTINGS = 40070,    // the camera dialog on the active view, position page
    ID_VIEW_PROJECTION = 40015,  // the same on the projection page
    ID_VIEW_FIX_VERTICAL = 40025,
    ID_VIEW_FIX_HORIZONTAL = 40037,
    ID_VIEW_RESET = 40022,
    ID_CANCEL = 40014,
};

}  // namespace korvan
