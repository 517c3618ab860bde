// The key names an event script may use, and the byte each key sends.
#pragma once

#include <utility>

#include <InterfaceDefs.h>

// Besides these, f1..f12 name the function keys.
inline constexpr std::pair<const char*, char> kKeyNames[] = {
    {"space", B_SPACE},         {"enter", B_ENTER},        {"tab", B_TAB},
    {"backspace", B_BACKSPACE}, {"escape", B_ESCAPE},      {"delete", B_DELETE},
    {"insert", B_INSERT},       {"home", B_HOME},          {"end", B_END},
    {"pageup", B_PAGE_UP},      {"pagedown", B_PAGE_DOWN}, {"left", B_LEFT_ARROW},
    {"right", B_RIGHT_ARROW},   {"up", B_UP_ARROW},        {"down", B_DOWN_ARROW},
};
