#include "base/KeyNames.h"

#include <algorithm>
#include <cctype>

namespace korvan {

namespace {

constexpr KeyName kKeyNames[] = {
    {1, "VK_LBUTTON"},      {2, "VK_RBUTTON"},     {3, "VK_CANCEL"},      {4, "VK_MBUTTON"},
    {8, "VK_BACK"},         {9, "VK_TAB"},         {12, "VK_CLEAR"},      {13, "VK_RETURN"},
    {16, "VK_SHIFT"},       {17, "VK_CONTROL"},    {18, "VK_MENU"},       {19, "VK_PAUSE"},
    {20, "VK_CAPITAL"},     {21, "VK_KANA"},       {21, "VK_HANGEUL"},    {21, "VK_HANGUL"},
    {23, "VK_JUNJA"},       {24, "VK_FINAL"},      {25, "VK_HANJA"},      {25, "VK_KANJI"},
    {27, "VK_ESCAPE"},      {28, "VK_CONVERT"},    {29, "VK_NONCONVERT"}, {30, "VK_ACCEPT"},
    {31, "VK_MODECHANGE"},  {32, "VK_SPACE"},      {33, "VK_PRIOR"},      {34, "VK_NEXT"},
    {35, "VK_END"},         {36, "VK_HOME"},       {37, "VK_LEFT"},       {38, "VK_UP"},
    {39, "VK_RIGHT"},       {40, "VK_DOWN"},       {41, "VK_SELECT"},     {42, "VK_PRINT"},
    {43, "VK_EXECUTE"},     {44, "VK_SNAPSHOT"},   {45, "VK_INSERT"},     {46, "VK_DELETE"},
    {47, "VK_HELP"},        {48, "VK_0"},          {49, "VK_1"},          {50, "VK_2"},
    {51, "VK_3"},           {52, "VK_4"},          {53, "VK_5"},          {54, "VK_6"},
    {55, "VK_7"},           {56, "VK_8"},          {57, "VK_9"},          {65, "VK_A"},
    {66, "VK_B"},           {67, "VK_C"},          {68, "VK_D"},          {69, "VK_E"},
    {70, "VK_F"},           {71, "VK_G"},          {72, "VK_H"},          {73, "VK_I"},
    {74, "VK_J"},           {75, "VK_K"},          {76, "VK_L"},          {77, "VK_M"},
    {78, "VK_N"},           {79, "VK_O"},          {80, "VK_P"},          {81, "VK_Q"},
    {82, "VK_R"},           {83, "VK_S"},          {84, "VK_T"},          {85, "VK_U"},
    {86, "VK_V"},           {87, "VK_W"},          {88, "VK_X"},          {89, "VK_Y"},
    {90, "VK_Z"},           {91, "VK_LWIN"},       {92, "VK_RWIN"},       {93, "VK_APPS"},
    {96, "VK_NUMPAD0"},     {97, "VK_NUMPAD1"},    {98, "VK_NUMPAD2"},    {99, "VK_NUMPAD3"},
    {100, "VK_NUMPAD4"},    {101, "VK_NUMPAD5"},   {102, "VK_NUMPAD6"},   {103, "VK_NUMPAD7"},
    {104, "VK_NUMPAD8"},    {105, "VK_NUMPAD9"},   {106, "VK_MULTIPLY"},  {107, "VK_ADD"},
    {108, "VK_SEPARATOR"},  {109, "VK_SUBTRACT"},  {110, "VK_DECIMAL"},   {111, "VK_DIVIDE"},
    {112, "VK_F1"},         {113, "VK_F2"},        {114, "VK_F3"},        {115, "VK_F4"},
    {116, "VK_F5"},         {117, "VK_F6"},        {118, "VK_F7"},        {119, "VK_F8"},
    {120, "VK_F9"},         {121, "VK_F10"},       {122, "VK_F11"},       {123, "VK_F12"},
    {124, "VK_F13"},        {125, "VK_F14"},       {126, "VK_F15"},       {127, "VK_F16"},
    {128, "VK_F17"},        {129, "VK_F18"},       {130, "VK_F19"},       {131, "VK_F20"},
    {132, "VK_F21"},        {133, "VK_F22"},       {134, "VK_F23"},       {135, "VK_F24"},
    {144, "VK_NUMLOCK"},    {145, "VK_SCROLL"},    {160, "VK_LSHIFT"},    {161, "VK_RSHIFT"},
    {162, "VK_LCONTROL"},   {163, "VK_RCONTROL"},  {164, "VK_LMENU"},     {165, "VK_RMENU"},
    {229, "VK_PROCESSKEY"}, {246, "VK_ATTN"},      {247, "VK_CRSEL"},     {248, "VK_EXSEL"},
    {249, "VK_EREOF"},      {250, "VK_PLAY"},      {251, "VK_ZOOM"},      {252, "VK_NONAME"},
    {253, "VK_PA1"},        {254, "VK_OEM_CLEAR"},
};

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

}  // namespace

std::span<const KeyName> KeyNameTable() {
    return kKeyNames;
}

std::string_view KeyNameOf(int code) {
    for (const KeyName& k : kKeyNames)
        if (k.code == code) return k.name;
    return {};
}

std::optional<int> KeyCodeOf(std::string_view name) {
    for (const KeyName& k : kKeyNames)
        if (EqualIgnoringCase(k.name, name)) return k.code;
    return std::nullopt;
}

}  // namespace korvan
