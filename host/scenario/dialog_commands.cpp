// What a user does to the window in front (the dialog, or the prompt while it is open): clicks,
// keys, a selection, a command; and what the transcript shows of it: a picture, the controls.
#include "host/scenario/Commands.h"
#include "host/scenario/RunnerOptions.h"

#include <PlatformHost.h>

#include <sys/stat.h>

namespace scenario {

namespace {

UInt32 fourCharCode(const std::string& word) {
    if (word.size() != 4) {
        fail("\"" + word + "\" is not a four-character code");
    }
    UInt32 code = 0;
    for (unsigned char c : word) {
        code = (code << 8) | c;
    }
    return code;
}

void makeFolders(const std::string& path) {
    for (size_t at = 1; (at = path.find('/', at)) != std::string::npos; ++at) {
        mkdir(path.substr(0, at).c_str(), 0755);
    }
}

void click(CommandContext& context, const Words& w) {
    WindowRef window = context.activeWindow();
    if (w.size() != 2 && w.size() != 3) {
        w.usageError();
    }
    ControlRef control = controlOf(w[1], window);
    SInt32 value = 0;
    if (w.size() == 3) {
        value = static_cast<SInt32>(numberOf(w[2]));
    }
    PlatformHost::ClickResult result =
        PlatformHost::click(control, w.size() == 3 ? &value : nullptr);
    std::ostream& out = context.out();
    switch (result.outcome) {
    case PlatformHost::ClickOutcome::NeedsValue:
        fail("a click on popup " + w[1] + " needs a VALUE");
    case PlatformHost::ClickOutcome::Hidden:
        out << "      control " << w[1] << " is hidden: the click does nothing\n";
        return;
    case PlatformHost::ClickOutcome::Disabled:
        out << "      control " << w[1] << " is disabled: the click does nothing\n";
        return;
    case PlatformHost::ClickOutcome::HiddenItem:
        out << "      item " << w[2] << " of popup " << w[1] << " is hidden: it can't be chosen\n";
        return;
    default:
        break;
    }
    out << "      hit: " << result.hitStatus;
    if (result.commandSent) {
        out << ", command: " << result.commandStatus;
    }
    out << "\n";
}

void type(CommandContext& context, const Words& w) {
    WindowRef window = context.activeWindow();
    w.need(3);
    ControlRef control = controlOf(w[1], window);
    int passed = 0;
    context.call([&] {
        passed = PlatformHost::typeText(control, w[2]);
        return noErr;
    });
    context.out() << "      " << passed << " key(s) let through\n";
}

void key(CommandContext& context, const Words& w) {
    WindowRef window = context.activeWindow();
    w.need(3);
    ControlRef control = controlOf(w[1], window);
    long code = numberOf(w[2]);
    SetKeyboardFocus(window, control, kControlFocusNextPart);
    bool passed = PlatformHost::typeKey(control, static_cast<UInt16>(code));
    context.out() << "      key " << code << (passed ? " let through\n" : " refused\n");
}

void select(CommandContext& context, const Words& w) {
    WindowRef window = context.activeWindow();
    w.need(4);
    ControlRef control = controlOf(w[1], window);
    PlatformHost::setSelection(control, static_cast<SInt16>(numberOf(w[2])),
                               static_cast<SInt16>(numberOf(w[3])));
}

void command(CommandContext& context, const Words& w) {
    WindowRef window = context.activeWindow();
    w.need(2);
    UInt32 code = fourCharCode(w[1]);
    OSStatus status = context.call([&] { return PlatformHost::sendCommand(window, code); });
    context.outcomes().status = status;
    context.out() << "      command '" << w[1] << "': " << status << "\n";
}

void render(CommandContext& context, const Words& w) {
    WindowRef window = context.activeWindow();
    w.need(2);
    std::string path = w[1][0] == '/' ? w[1] : context.options().outDir + "/" + w[1];
    makeFolders(path);
    PlatformHost::renderWindow(window);
    std::string error;
    if (!PlatformHost::writePortPNG(window, path, &error)) {
        fail(error);
    }
    context.out() << "      wrote " << path << "\n";
}

void show(CommandContext& context, const Words& w) {
    WindowRef window = context.activeWindow();
    w.need(1);
    showWindow(context, window);
}

const Command kCommands[] = {
    {"click ID [VALUE]", CommandGroup::Dialog, click},
    {"type ID TEXT", CommandGroup::Dialog, type},
    {"key ID CODE", CommandGroup::Dialog, key},
    {"select ID START END", CommandGroup::Dialog, select},
    {"command CODE", CommandGroup::Dialog, command},
    {"render PATH", CommandGroup::Dialog, render},
    {"show", CommandGroup::Dialog, show},
};

} // namespace

std::span<const Command> dialogCommands() {
    return kCommands;
}

} // namespace scenario
