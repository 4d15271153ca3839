// The scenario's checks: `expect ...`.
#include "host/ShownCodes.h"
#include "host/scenario/RunnerSupport.h"
#include "host/scenario/ScenarioRunner.h"

#include <PlatformHost.h>

using scenario::cfText;
using scenario::fail;
using scenario::kFactoryUUID;
using scenario::needWords;
using scenario::numberOf;

void ScenarioRunner::expectCommand(const std::vector<std::string>& w) {
    if (w.size() < 2) {
        fail("usage: expect WHAT ...");
    }
    const std::string& what = w[1];
    if (what == "job" || what == "jobs") {
        jobCheck(w);
    } else if (what == "status") {
        needWords(w, 3, "expect status N");
        long expected = numberOf(w[2]);
        check(haveStatus_ && lastStatus_ == expected, "status " + w[2],
              haveStatus_ ? std::to_string(lastStatus_) : "no status yet");
    } else if (what == "printed") {
        needWords(w, 3, "expect printed yes|no");
        if (w[2] != "yes" && w[2] != "no") {
            fail("usage: expect printed yes|no");
        }
        bool expected = w[2] == "yes";
        check(havePrint_ && lastPrinted_ == expected, "printed " + w[2],
              !havePrint_    ? "no print yet"
              : lastPrinted_ ? "printed yes"
                             : "printed no");
    } else if (what == "ticket") {
        PMTicketRef ticket = dialog().dialog != nullptr ? dialog().dialog->settings() : nullptr;
        if (ticket == nullptr) {
            fail("there is no print-settings ticket");
        }
        PlatformHost::TicketItem item;
        bool present = w.size() >= 3 && PlatformHost::ticketItem(ticket, w[2], &item);
        // A concealed code never stands in clear, not even in a failed check.
        bool concealed = w.size() >= 3 && concealedAttribute(w[2]);
        std::string got = !present ? "missing"
                          : item.type == PlatformHost::TicketItem::Type::SInt32
                              ? std::to_string(item.number)
                              : quotedCode(item.text, concealed);
        if (w.size() == 4 && w[3] == "missing") {
            check(!present, w[2] + " missing", got);
        } else if (w.size() == 5 && w[3] == "=") {
            long number = 0;
            bool held = present && (item.type == PlatformHost::TicketItem::Type::SInt32
                                        ? parseNumber(w[4], &number) && number == item.number
                                        : item.text == w[4]);
            check(held, w[2] + " = " + shownCode(w[4], concealed), got);
        } else {
            fail("usage: expect ticket KEY = VALUE | expect ticket KEY missing");
        }
    } else if (what == "control") {
        if (w.size() < 4) {
            fail("usage: expect control ID STATE ...");
        }
        long id = numberOf(w[2]);
        WindowRef window = activeWindow();
        ControlRef control = PlatformHost::findControl(window, static_cast<SInt32>(id));
        PlatformHost::ControlState s;
        bool exists = PlatformHost::controlState(control, &s);
        const std::string& state = w[3];
        std::string name = "control " + w[2] + " ";
        if (state == "missing") {
            check(!exists, name + "missing", "present");
            return;
        }
        if (!exists &&
            (state == "visible" || state == "hidden" || state == "enabled" || state == "disabled" ||
             state == "password" || state == "value" || state == "text" || state == "bounds")) {
            check(false, name + state, "no such control");
            return;
        }
        if (state == "visible" || state == "hidden") {
            check(s.visible == (state == "visible"), name + state,
                  s.visible ? "visible" : "hidden");
        } else if (state == "enabled" || state == "disabled") {
            check(s.enabled == (state == "enabled"), name + state,
                  s.enabled ? "enabled" : "disabled");
        } else if (state == "password") {
            check(s.kind == PlatformHost::ControlKind::PasswordEditText, name + "password",
                  PlatformHost::controlKindName(s.kind));
        } else if (state == "value") {
            needWords(w, 5, "expect control ID value N");
            check(s.value == numberOf(w[4]), name + "value " + w[4], std::to_string(s.value));
        } else if (state == "text") {
            needWords(w, 6, "expect control ID text = TEXT");
            bool password = s.kind == PlatformHost::ControlKind::PasswordEditText;
            check(s.text == w[5], name + "text \"" + shownCode(w[5], password) + "\"",
                  quotedCode(s.text, password));
        } else if (state == "bounds") {
            needWords(w, 8, "expect control ID bounds TOP LEFT BOTTOM RIGHT");
            std::string expected = w[4] + " " + w[5] + " " + w[6] + " " + w[7];
            std::string got = std::to_string(s.bounds.top) + " " + std::to_string(s.bounds.left) +
                              " " + std::to_string(s.bounds.bottom) + " " +
                              std::to_string(s.bounds.right);
            check(s.bounds.top == numberOf(w[4]) && s.bounds.left == numberOf(w[5]) &&
                      s.bounds.bottom == numberOf(w[6]) && s.bounds.right == numberOf(w[7]),
                  name + "bounds " + expected, got);
        } else {
            fail("unknown control state \"" + state + "\"");
        }
    } else if (what == "window") {
        needWords(w, 3, "expect window dialog|Accounting|Kontavar");
        std::string got =
            modalWindow_ == nullptr ? "dialog" : PlatformHost::windowName(modalWindow_);
        check(got == w[2], "window " + w[2], got);
    } else if (what == "summary") {
        CFArrayRef titles = nullptr;
        CFArrayRef summaries = nullptr;
        table();
        dialog().pane->summary(&titles, &summaries);
        std::string title = titles != nullptr && CFArrayGetCount(titles) > 0
                                ? cfText(CFArrayGetValueAtIndex(titles, 0))
                                : "";
        std::string text = summaries != nullptr && CFArrayGetCount(summaries) > 0
                               ? cfText(CFArrayGetValueAtIndex(summaries, 0))
                               : "";
        bool none = titles == nullptr;
        if (titles != nullptr) {
            CFRelease(titles);
        }
        if (summaries != nullptr) {
            CFRelease(summaries);
        }
        std::string got = none ? "none" : "\"" + title + "\" \"" + text + "\"";
        if (w.size() == 3 && w[2] == "none") {
            check(none, "summary none", got);
        } else if (w.size() == 5 && w[2] == "=") {
            check(!none && title == w[3] && text == w[4],
                  "summary \"" + w[3] + "\" \"" + w[4] + "\"", got);
        } else if (w.size() == 4 && w[2] == "~") {
            check(!none && text.find(w[3]) != std::string::npos,
                  "summary containing \"" + w[3] + "\"", got);
        } else {
            fail(
                "usage: expect summary = TITLE TEXT | expect summary ~ TEXT | expect summary none");
        }
    } else if (what == "alerts" || what == "notices" || what == "beeps" || what == "helps" ||
               what == "instances") {
        needWords(w, 3, "expect alerts|notices|beeps|helps|instances N");
        long expected = numberOf(w[2]);
        long got = what == "alerts"    ? static_cast<long>(PlatformHost::alerts().size())
                   : what == "notices" ? static_cast<long>(PlatformHost::notices().size())
                   : what == "beeps"   ? PlatformHost::beeps()
                   : what == "helps"   ? static_cast<long>(PlatformHost::helpRequests().size())
                                       : PlatformHost::liveInstancesForFactory(kFactoryUUID);
        check(got == expected, what + " " + w[2], std::to_string(got));
    } else if (what == "help") {
        needWords(w, 4, "expect help BOOK PAGE");
        auto requests = PlatformHost::helpRequests();
        std::string got = requests.empty()
                              ? "no help request"
                              : "\"" + requests.back().book + "\" \"" + requests.back().page + "\"";
        check(!requests.empty() && requests.back().book == w[2] && requests.back().page == w[3],
              "help \"" + w[2] + "\" \"" + w[3] + "\"", got);
    } else if (what == "stderr") {
        needWords(w, 3, "expect stderr TEXT");
        bool found = false;
        for (const std::string& line : stderrLines_) {
            found = found || line == w[2];
        }
        check(found, "a standard-error line \"" + w[2] + "\"",
              stderrLines_.empty() ? "none" : "\"" + stderrLines_.back() + "\" (last)");
    } else {
        fail("unknown check \"expect " + what + "\"");
    }
}
