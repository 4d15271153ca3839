#include "host/scenario/Commands.h"

#include "host/ShownCodes.h"
#include "host/scenario/WindowText.h"

#include <PlatformHost.h>

namespace scenario {

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t at = 0;
    for (size_t end; (end = text.find(separator, at)) != std::string::npos; at = end + 1) {
        parts.push_back(text.substr(at, end - at));
    }
    parts.push_back(text.substr(at));
    return parts;
}

} // namespace

std::span<const Command> scenarioCommands() {
    static const std::vector<Command> all = [] {
        std::vector<Command> commands;
        for (std::span<const Command> part : {setupCommands(), lifecycleCommands(),
                                              dialogCommands(), jobCommands(), checkCommands()}) {
            commands.insert(commands.end(), part.begin(), part.end());
        }
        return commands;
    }();
    return all;
}

std::vector<std::string> commandNames(const Command& command) {
    std::string usage = command.usage;
    std::vector<std::string> words = split(usage.substr(0, usage.find(" | ")), ' ');
    if (words[0] != "expect" || words.size() < 2) {
        return {words[0]};
    }
    std::vector<std::string> names;
    for (const std::string& what : split(words[1], '|')) {
        names.push_back("expect " + what);
    }
    return names;
}

const Command& findCommand(const std::vector<std::string>& words) {
    bool isCheck = words[0] == "expect";
    if (isCheck && words.size() < 2) {
        fail("usage: expect WHAT ...");
    }
    std::string name = isCheck ? "expect " + words[1] : words[0];
    for (const Command& command : scenarioCommands()) {
        for (const std::string& known : commandNames(command)) {
            if (known == name) {
                return command;
            }
        }
    }
    if (isCheck) {
        fail("unknown check \"" + name + "\"");
    }
    fail("unknown command \"" + name + "\"");
}

ControlRef controlOf(const std::string& idWord, WindowRef window) {
    long id = numberOf(idWord);
    ControlRef control = PlatformHost::findControl(window, static_cast<SInt32>(id));
    if (control == nullptr) {
        fail("window \"" + PlatformHost::windowName(window) + "\" has no control " + idWord);
    }
    return control;
}

PaneDriver& loadedPane(CommandContext& context) {
    DialogState& d = context.dialog();
    if (d.plugIn == nullptr) {
        fail("the bundle is not loaded (load first)");
    }
    if (d.plugIn->extension() == nullptr) {
        fail("the interface has been released");
    }
    return *d.pane;
}

bool concealedAttribute(CommandContext& context, const std::string& attribute) {
    DialogState& d = context.dialog();
    PMTicketRef ticket = d.dialog != nullptr ? d.dialog->settings() : nullptr;
    for (const AccountingCode& code : kAccountingCodes) {
        if (ticket != nullptr && (attribute == code.attribute || attribute == code.ticketKey)) {
            return concealedIn(ticket, code);
        }
    }
    return false;
}

std::string echoed(CommandContext& context, const std::vector<std::string>& w) {
    // The word that holds a code, when the place it goes to or comes from is concealed.
    size_t code = w.size();
    auto isPassword = [&](const std::string& idWord) {
        long id = 0;
        PlatformHost::ControlState s;
        DialogState& d = context.dialog();
        WindowRef window = context.prompt() != nullptr ? context.prompt()
                           : d.dialog != nullptr       ? d.dialog->window()
                                                       : nullptr;
        return window != nullptr && parseNumber(idWord, &id) &&
               PlatformHost::controlState(
                   PlatformHost::findControl(window, static_cast<SInt32>(id)), &s) &&
               s.kind == PlatformHost::ControlKind::PasswordEditText;
    };
    if (w.size() == 2 && w[0] == "password") {
        code = 1; // a password never stands in clear
    } else if (w.size() == 3 && w[0] == "type" && isPassword(w[1])) {
        code = 2;
    } else if (w.size() == 6 && w[0] == "expect" && w[1] == "control" && w[3] == "text" &&
               isPassword(w[2])) {
        code = 5;
    } else if (w.size() == 5 && w[0] == "expect" && (w[1] == "job" || w[1] == "ticket") &&
               w[3] == "=" && concealedAttribute(context, w[2])) {
        code = 4;
    }
    std::string line;
    for (size_t i = 0; i < w.size(); ++i) {
        line += " " + (i == code ? shownCode(w[i], true) : w[i]);
    }
    return line;
}

void showWindow(CommandContext& context, WindowRef window) {
    context.out() << windowText(
        window, context.prompt() == nullptr ? "dialog" : PlatformHost::windowName(window));
}

} // namespace scenario
