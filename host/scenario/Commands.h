// The scenario language's commands: each is registered once, with the forms its usage shows,
// the group that says when it may run, and its handler. A handler sees the run only through a
// CommandContext: the current dialog, the window in front, the checks and the transcript.
#pragma once

#include "host/dialog/PaneDriver.h"
#include "host/dialog/PlugInHost.h"
#include "host/dialog/PrintDialog.h"
#include "host/printing/Printer.h"
#include "host/printing/QueueJobs.h"
#include "host/scenario/RunnerSupport.h"

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

struct RunnerOptions;

namespace scenario {

// One print dialog of a scenario: what its setup lines chose, and, once loaded, the dialog, the
// bundle and the pane's driver.
struct DialogState {
    struct TicketEdit {
        std::string key;
        bool isInt = false;
        long number = 0;
        std::string text;
    };
    std::string printer;  // PPD path or "cups:QUEUE"; empty: no printer-info ticket
    std::string document; // what Print sends to a queue; empty: the test page
    CupsServer server;
    std::string settings; // settings file; empty: an empty ticket
    bool noSettings = false;
    std::string helpBundle; // empty: the host's; "none": none
    std::vector<TicketEdit> edits;
    std::unique_ptr<Printer> printerRef;
    std::unique_ptr<QueueJobs> jobs;
    int lastJobId = 0; // the last job this dialog sent; 0: none yet
    std::unique_ptr<PrintDialog> dialog;
    std::unique_ptr<PlugInHost> plugIn;
    CFBundleRef helpBundleRef = nullptr;
    std::unique_ptr<PaneDriver> pane; // made with the bundle's load
};

// What the checks read back: the outcomes of the commands so far, across the dialogs.
struct Outcomes {
    std::optional<long> status;  // of the last entry point, command or print
    std::optional<bool> printed; // whether the last print printed
    std::vector<std::string> stderrLines;
    int jobsSent = 0;
};

class CommandContext {
  public:
    virtual const RunnerOptions& options() const = 0;
    // A relative path from the scenario's folder.
    virtual std::string resolve(const std::string& path) const = 0;

    // The current dialog, made with the run's printer and server when first used.
    virtual DialogState& dialog() = 0;
    virtual void switchDialog(const std::string& name) = 0;
    // The prompt's window while the prompt is open; null otherwise.
    virtual WindowRef prompt() const = 0;
    // The window the dialog commands act on: the prompt's, else the dialog's.
    virtual WindowRef activeWindow() = 0;

    // Calls an entry point of the pane's, showing what it writes to standard error.
    virtual OSStatus call(const std::function<OSStatus()>& entryPoint) = 0;
    // Presses the dialog's Print; the prompt it opens takes the scenario's next lines.
    virtual PrintDialog::Press pressPrint() = 0;
    // The answer to the server's next question for a password.
    virtual void queuePassword(std::string password) = 0;

    virtual Outcomes& outcomes() = 0;
    virtual void check(bool held, const std::string& expected, const std::string& got) = 0;
    virtual std::ostream& out() = 0;

  protected:
    ~CommandContext() = default;
};

// A command's words, with its usage for the error that a wrong count is.
class Words {
  public:
    Words(const std::vector<std::string>& words, const char* usage)
        : words_(words), usage_(usage) {}
    size_t size() const { return words_.size(); }
    const std::string& operator[](size_t at) const { return words_[at]; }
    const std::vector<std::string>& all() const { return words_; }
    void need(size_t count) const {
        if (words_.size() != count) {
            usageError();
        }
    }
    [[noreturn]] void usageError() const { fail(std::string("usage: ") + usage_); }

  private:
    const std::vector<std::string>& words_;
    const char* usage_;
};

// When a command may run, as the README's table groups them.
enum class CommandGroup {
    Setup,     // before the dialog's load
    AnyTime,   // also while the prompt is open
    Lifecycle, // not while the prompt is open
    Dialog,    // on the window in front
    Check,     // `expect WHAT ...`
};

using CommandHandler = void (*)(CommandContext& context, const Words& words);

struct Command {
    // The forms, separated by " | ": "ticket KEY int N | ticket KEY str TEXT". The first word
    // names the command; a check is named by its second word too, whose alternatives
    // ("expect alerts|notices N") are one name each.
    const char* usage;
    CommandGroup group;
    CommandHandler handler;
};

// Every command of the language, in the README's order.
std::span<const Command> scenarioCommands();
// The names a command answers to: {"sync"}, {"expect alerts", "expect notices", ...}.
std::vector<std::string> commandNames(const Command& command);
// The command a line's words call; fails for an unknown command or check.
const Command& findCommand(const std::vector<std::string>& words);

// Each file's share of the table.
std::span<const Command> setupCommands();
std::span<const Command> lifecycleCommands();
std::span<const Command> dialogCommands();
std::span<const Command> checkCommands();
std::span<const Command> jobCommands(); // print, expect jobs, expect job

// What the handlers share.
// The control of that ID in the window; fails when it has none.
ControlRef controlOf(const std::string& idWord, WindowRef window);
// The loaded dialog's pane; fails before load or after release.
PaneDriver& loadedPane(CommandContext& context);
// Whether the code that a job attribute or ticket key holds is concealed by the ticket.
bool concealedAttribute(CommandContext& context, const std::string& attribute);
// The line as the transcript shows it: a code typed into or expected of a concealed place
// shows as bullets.
std::string echoed(CommandContext& context, const std::vector<std::string>& words);
void showWindow(CommandContext& context, WindowRef window);

} // namespace scenario
