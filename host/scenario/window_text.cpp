#include "host/scenario/WindowText.h"

#include "host/ShownCodes.h"

#include <PlatformHost.h>

#include <cstdio>

namespace {

std::string signatureText(OSType signature) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>((signature >> shift) & 0xFF);
        text.push_back(c >= 32 && c < 127 ? c : '?');
    }
    return text;
}

std::string shownText(const PlatformHost::ControlState& s) {
    switch (s.kind) {
    case PlatformHost::ControlKind::PasswordEditText:
        return quotedCode(s.text, true);
    case PlatformHost::ControlKind::EditText:
        return "\"" + s.text + "\"";
    case PlatformHost::ControlKind::PopupButton:
        if (s.value >= 1 && static_cast<size_t>(s.value) <= s.menuItems.size()) {
            return "[" + s.menuItems[static_cast<size_t>(s.value) - 1] + "]";
        }
        return "[]";
    default:
        return s.title.empty() ? "" : "'" + s.title + "'";
    }
}

} // namespace

std::string windowText(WindowRef window, const std::string& name) {
    std::string out = "      window " + name + ":\n";
    for (ControlRef control : PlatformHost::controlsOf(window)) {
        PlatformHost::ControlState s;
        PlatformHost::controlState(control, &s);
        std::string id = s.id.signature == 'QRVa'
                             ? std::to_string(s.id.id)
                             : signatureText(s.id.signature) + ":" + std::to_string(s.id.id);
        char line[512];
        std::snprintf(line, sizeof line, "      %-8s %-18s %-7s %-8s %4d  %-28s [%d %d %d %d]%s\n",
                      id.c_str(), PlatformHost::controlKindName(s.kind),
                      s.visible ? "visible" : "hidden", s.enabled ? "enabled" : "disabled", s.value,
                      shownText(s).c_str(), s.bounds.top, s.bounds.left, s.bounds.bottom,
                      s.bounds.right, s.focused ? " focus" : "");
        out += line;
    }
    return out;
}
