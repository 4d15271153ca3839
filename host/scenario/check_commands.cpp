// The scenario's checks of the dialog and the pane: `expect WHAT ...`. A check that fails is
// counted and the run goes on; a check written wrong stops the run.
#include "host/scenario/Commands.h"

#include "host/ShownCodes.h"

#include <PlatformHost.h>

namespace scenario {

namespace {

void expectStatus(CommandContext& context, const Words& w) {
    w.need(3);
    long expected = numberOf(w[2]);
    const std::optional<long>& status = context.outcomes().status;
    context.check(status == expected, "status " + w[2],
                  status ? std::to_string(*status) : "no status yet");
}

void expectPrinted(CommandContext& context, const Words& w) {
    w.need(3);
    if (w[2] != "yes" && w[2] != "no") {
        w.usageError();
    }
    const std::optional<bool>& printed = context.outcomes().printed;
    context.check(printed == (w[2] == "yes"), "printed " + w[2],
                  !printed   ? "no print yet"
                  : *printed ? "printed yes"
                             : "printed no");
}

void expectTicket(CommandContext& context, const Words& w) {
    DialogState& d = context.dialog();
    PMTicketRef ticket = d.dialog != nullptr ? d.dialog->settings() : nullptr;
    if (ticket == nullptr) {
        fail("there is no print-settings ticket");
    }
    bool missingForm = w.size() == 4 && w[3] == "missing";
    bool valueForm = w.size() == 5 && w[3] == "=";
    if (!missingForm && !valueForm) {
        w.usageError();
    }
    PlatformHost::TicketItem item;
    bool present = PlatformHost::ticketItem(ticket, w[2], &item);
    bool isNumber = present && item.type == PlatformHost::TicketItem::Type::SInt32;
    // A concealed code never stands in clear, not even in a failed check.
    bool concealed = concealedAttribute(context, w[2]);
    std::string got = !present   ? "missing"
                      : isNumber ? std::to_string(item.number)
                                 : quotedCode(item.text, concealed);
    if (missingForm) {
        context.check(!present, w[2] + " missing", got);
        return;
    }
    long number = 0;
    bool held = present && (isNumber ? parseNumber(w[4], &number) && number == item.number
                                     : item.text == w[4]);
    context.check(held, w[2] + " = " + shownCode(w[4], concealed), got);
}

std::string boundsText(const Rect& r) {
    return std::to_string(r.top) + " " + std::to_string(r.left) + " " + std::to_string(r.bottom) +
           " " + std::to_string(r.right);
}

// `expect control ID STATE ...`: the states of one word, each with its opposite.
struct FlagState {
    const char* name;
    const char* opposite;
    bool PlatformHost::ControlState::*flag;
    bool wanted;
};
const FlagState kFlagStates[] = {
    {"visible", "hidden", &PlatformHost::ControlState::visible, true},
    {"hidden", "visible", &PlatformHost::ControlState::visible, false},
    {"enabled", "disabled", &PlatformHost::ControlState::enabled, true},
    {"disabled", "enabled", &PlatformHost::ControlState::enabled, false},
};

void expectControl(CommandContext& context, const Words& w) {
    if (w.size() < 4) {
        fail("usage: expect control ID STATE ...");
    }
    long id = numberOf(w[2]);
    ControlRef control = PlatformHost::findControl(context.activeWindow(), static_cast<SInt32>(id));
    PlatformHost::ControlState s;
    bool exists = PlatformHost::controlState(control, &s);
    const std::string& state = w[3];
    std::string name = "control " + w[2] + " ";
    if (state == "missing") {
        context.check(!exists, name + "missing", "present");
        return;
    }
    for (const FlagState& flag : kFlagStates) {
        if (state == flag.name) {
            bool held = exists && s.*flag.flag == flag.wanted;
            context.check(held, name + state,
                          !exists ? "no such control"
                          : held  ? state
                                  : flag.opposite);
            return;
        }
    }
    bool password = s.kind == PlatformHost::ControlKind::PasswordEditText;
    if (state == "password") {
        context.check(exists && password, name + "password",
                      exists ? PlatformHost::controlKindName(s.kind) : "no such control");
    } else if (state == "value") {
        needWords(w.all(), 5, "expect control ID value N");
        long expected = numberOf(w[4]);
        context.check(exists && s.value == expected, name + "value " + w[4],
                      exists ? std::to_string(s.value) : "no such control");
    } else if (state == "text") {
        needWords(w.all(), 6, "expect control ID text = TEXT");
        context.check(exists && s.text == w[5], name + "text \"" + shownCode(w[5], password) + "\"",
                      exists ? quotedCode(s.text, password) : "no such control");
    } else if (state == "bounds") {
        needWords(w.all(), 8, "expect control ID bounds TOP LEFT BOTTOM RIGHT");
        const Rect& b = s.bounds;
        bool held = exists && b.top == numberOf(w[4]) && b.left == numberOf(w[5]) &&
                    b.bottom == numberOf(w[6]) && b.right == numberOf(w[7]);
        context.check(held, name + "bounds " + w[4] + " " + w[5] + " " + w[6] + " " + w[7],
                      exists ? boundsText(b) : "no such control");
    } else {
        fail("unknown control state \"" + state + "\"");
    }
}

void expectWindow(CommandContext& context, const Words& w) {
    w.need(3);
    WindowRef prompt = context.prompt();
    std::string got = prompt == nullptr ? "dialog" : PlatformHost::windowName(prompt);
    context.check(got == w[2], "window " + w[2], got);
}

void expectSummary(CommandContext& context, const Words& w) {
    bool noneForm = w.size() == 3 && w[2] == "none";
    bool equalForm = w.size() == 5 && w[2] == "=";
    bool containsForm = w.size() == 4 && w[2] == "~";
    if (!noneForm && !equalForm && !containsForm) {
        w.usageError();
    }
    CFArrayRef titles = nullptr;
    CFArrayRef summaries = nullptr;
    loadedPane(context).summary(&titles, &summaries);
    auto first = [](CFArrayRef array) {
        return array != nullptr && CFArrayGetCount(array) > 0
                   ? cfText(CFArrayGetValueAtIndex(array, 0))
                   : "";
    };
    std::string title = first(titles);
    std::string text = first(summaries);
    bool none = titles == nullptr;
    if (titles != nullptr) {
        CFRelease(titles);
    }
    if (summaries != nullptr) {
        CFRelease(summaries);
    }
    std::string got = none ? "none" : "\"" + title + "\" \"" + text + "\"";
    if (noneForm) {
        context.check(none, "summary none", got);
    } else if (equalForm) {
        context.check(!none && title == w[3] && text == w[4],
                      "summary \"" + w[3] + "\" \"" + w[4] + "\"", got);
    } else {
        context.check(!none && text.find(w[3]) != std::string::npos,
                      "summary containing \"" + w[3] + "\"", got);
    }
}

// The platform's own records of what the pane asked for.
void expectCount(CommandContext& context, const Words& w) {
    w.need(3);
    const std::string& what = w[1];
    long expected = numberOf(w[2]);
    long got = what == "alerts"    ? static_cast<long>(PlatformHost::alerts().size())
               : what == "notices" ? static_cast<long>(PlatformHost::notices().size())
               : what == "beeps"   ? PlatformHost::beeps()
               : what == "helps"   ? static_cast<long>(PlatformHost::helpRequests().size())
                                   : PlatformHost::liveInstancesForFactory(kFactoryUUID);
    context.check(got == expected, what + " " + w[2], std::to_string(got));
}

void expectHelp(CommandContext& context, const Words& w) {
    w.need(4);
    auto requests = PlatformHost::helpRequests();
    std::string got = requests.empty()
                          ? "no help request"
                          : "\"" + requests.back().book + "\" \"" + requests.back().page + "\"";
    context.check(!requests.empty() && requests.back().book == w[2] && requests.back().page == w[3],
                  "help \"" + w[2] + "\" \"" + w[3] + "\"", got);
}

void expectStderr(CommandContext& context, const Words& w) {
    w.need(3);
    const std::vector<std::string>& lines = context.outcomes().stderrLines;
    bool found = false;
    for (const std::string& line : lines) {
        found = found || line == w[2];
    }
    context.check(found, "a standard-error line \"" + w[2] + "\"",
                  lines.empty() ? "none" : "\"" + lines.back() + "\" (last)");
}

const Command kCommands[] = {
    {"expect status N", CommandGroup::Check, expectStatus},
    {"expect printed yes|no", CommandGroup::Check, expectPrinted},
    {"expect ticket KEY = VALUE|missing", CommandGroup::Check, expectTicket},
    {"expect control ID visible|hidden|enabled|disabled|password|missing | expect control ID "
     "value N | expect control ID text = TEXT | expect control ID bounds T L B R",
     CommandGroup::Check, expectControl},
    {"expect window dialog|Accounting|Kontavar", CommandGroup::Check, expectWindow},
    {"expect summary = TITLE TEXT | expect summary ~ TEXT | expect summary none",
     CommandGroup::Check, expectSummary},
    {"expect alerts|notices|beeps|helps|instances N", CommandGroup::Check, expectCount},
    {"expect help BOOK PAGE", CommandGroup::Check, expectHelp},
    {"expect stderr TEXT", CommandGroup::Check, expectStderr},
};

} // namespace

std::span<const Command> checkCommands() {
    return kCommands;
}

} // namespace scenario
