// A window's controls as text, for `show` and the interactive mode.
#pragma once

#include <Carbon/Carbon.h>

#include <string>

// One line per control: ID, kind, visible, enabled, value, text (bullets for password
// fields, the chosen item for popups, the title otherwise), bounds.
std::string windowText(WindowRef window, const std::string& name);
