#include "host/scenario/ScenarioRunner.h"

#include "host/printing/Passwords.h"
#include "host/scenario/Commands.h"

#include <PlatformHost.h>

#include <deque>
#include <map>
#include <unistd.h>

using scenario::CommandContext;
using scenario::CommandGroup;
using scenario::DialogState;
using scenario::fail;
using scenario::ScenarioError;

// One run of a scenario: the dialogs it made, the outcomes its checks read, and the prompt that
// takes its lines while Print is pressed.
class ScenarioRun : public CommandContext, private PasswordSource {
  public:
    ScenarioRun(RunnerOptions options, std::string label, std::string folder, std::ostream& out)
        : options_(std::move(options)), label_(std::move(label)), folder_(std::move(folder)),
          out_(out) {}
    ~ScenarioRun() { cleanUp(); }

    RunResult run(LineSource& source);

    const RunnerOptions& options() const override { return options_; }
    std::string resolve(const std::string& path) const override;
    DialogState& dialog() override;
    void switchDialog(const std::string& name) override;
    WindowRef prompt() const override { return prompt_; }
    WindowRef activeWindow() override;
    OSStatus call(const std::function<OSStatus()>& entryPoint) override;
    PrintDialog::Press pressPrint() override;
    void queuePassword(std::string password) override { passwords_.push_back(std::move(password)); }
    scenario::Outcomes& outcomes() override { return outcomes_; }
    void check(bool held, const std::string& expected, const std::string& got) override;
    std::ostream& out() override { return out_; }

  private:
    // The server asks for a password: the next `password` line's, else the terminal's when
    // the scenario runs from one.
    bool password(const std::string& user, const std::string& server, int attempt,
                  std::string* out) override;

    void execute(const ScenarioLine& line);
    // The prompt's modal loop asks for its next event: the scenario's next line.
    bool promptAction(WindowRef window);
    void cleanUp();

    RunnerOptions options_;
    std::string label_;
    std::string folder_;
    std::ostream& out_;
    LineSource* source_ = nullptr;
    int lineNumber_ = 0;
    std::map<std::string, DialogState> dialogs_;
    std::string current_ = "main";
    WindowRef prompt_ = nullptr;
    std::string promptError_; // what stopped a line run inside the prompt
    bool sourceDry_ = false;  // the lines ran out while the prompt was open
    std::deque<std::string> passwords_;
    scenario::Outcomes outcomes_;
    int failures_ = 0;
};

std::string ScenarioRun::resolve(const std::string& path) const {
    if (path.empty() || path[0] == '/') {
        return path;
    }
    return folder_.empty() ? path : folder_ + "/" + path;
}

DialogState& ScenarioRun::dialog() {
    auto [entry, made] = dialogs_.try_emplace(current_);
    if (made) {
        entry->second.printer = options_.printer;
        entry->second.document = options_.document;
        entry->second.server = options_.server;
    }
    return entry->second;
}

void ScenarioRun::switchDialog(const std::string& name) {
    current_ = name;
    dialog();
}

WindowRef ScenarioRun::activeWindow() {
    if (prompt_ != nullptr) {
        return prompt_;
    }
    DialogState& d = dialog();
    if (d.dialog == nullptr) {
        fail("there is no dialog yet (load first)");
    }
    return d.dialog->window();
}

OSStatus ScenarioRun::call(const std::function<OSStatus()>& entryPoint) {
    PlatformHost::StderrCapture capture;
    OSStatus status = entryPoint();
    std::string text = capture.finish();
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        outcomes_.stderrLines.push_back(line);
        out_ << "      stderr: " << line << "\n";
        if (end == std::string::npos) {
            break;
        }
        at = end + 1;
    }
    return status;
}

PrintDialog::Press ScenarioRun::pressPrint() {
    int printLine = lineNumber_;
    PrintDialog::Press press = dialog().dialog->pressPrint();
    if (!promptError_.empty()) {
        std::string error = promptError_;
        promptError_.clear();
        throw ScenarioError{error.substr(error.find(": ") + 2)};
    }
    if (sourceDry_) {
        lineNumber_ = printLine;
        fail("a prompt was still open when the scenario ended");
    }
    return press;
}

void ScenarioRun::check(bool held, const std::string& expected, const std::string& got) {
    if (held) {
        return;
    }
    ++failures_;
    out_ << "FAIL " << label_ << ":" << lineNumber_ << ": expected " << expected << " got " << got
         << "\n";
}

bool ScenarioRun::promptAction(WindowRef window) {
    if (!promptError_.empty()) {
        return false;
    }
    ScenarioLine line;
    if (!source_->next(&line)) {
        sourceDry_ = true;
        return false;
    }
    WindowRef saved = prompt_;
    prompt_ = window;
    // Nothing may be thrown through the pane's modal loop: a failure ends the loop instead.
    try {
        execute(line);
    } catch (const ScenarioError& error) {
        promptError_ = label_ + ":" + std::to_string(line.number) + ": " + error.message;
    }
    prompt_ = saved;
    return promptError_.empty();
}

void ScenarioRun::execute(const ScenarioLine& line) {
    lineNumber_ = line.number;
    const std::vector<std::string>& w = line.words;
    out_ << (prompt_ != nullptr ? "    " : "  ") << line.number << ":" << scenario::echoed(*this, w)
         << "\n";
    const scenario::Command& command = scenario::findCommand(w);
    if (command.group == CommandGroup::Setup && dialog().dialog != nullptr) {
        fail("\"" + w[0] + "\" comes before load");
    }
    if (command.group == CommandGroup::Lifecycle && prompt_ != nullptr) {
        fail("\"" + w[0] + "\" can't be done while the prompt is open");
    }
    command.handler(*this, scenario::Words(w, command.usage));
    if (options_.interactive && command.group != CommandGroup::Check && w[0] != "show" &&
        (prompt_ != nullptr || dialog().dialog != nullptr)) {
        scenario::showWindow(*this, activeWindow());
    }
}

void ScenarioRun::cleanUp() {
    for (auto& [name, d] : dialogs_) {
        if (d.dialog != nullptr) {
            d.dialog->detach();
            d.dialog->setJobSink(nullptr);
        }
        if (d.plugIn != nullptr && d.plugIn->extension() != nullptr && d.pane != nullptr &&
            d.pane->alive()) {
            PlatformHost::StderrCapture quiet;
            d.pane->terminate();
        }
        d.pane.reset();
        d.plugIn.reset();
        d.dialog.reset();
        d.jobs.reset();
        d.printerRef.reset();
        if (d.helpBundleRef != nullptr) {
            CFRelease(d.helpBundleRef);
            d.helpBundleRef = nullptr;
        }
    }
    dialogs_.clear();
    PlatformHost::unloadUnusedPlugIns();
}

bool ScenarioRun::password(const std::string& user, const std::string& server, int attempt,
                           std::string* out) {
    if (!passwords_.empty()) {
        *out = std::move(passwords_.front());
        passwords_.pop_front();
        out_ << "      password for " << user << " on " << server << " given (try " << attempt
             << ")\n";
        return true;
    }
    if (isatty(STDIN_FILENO) == 0) {
        out_ << "      the server asks " << user << " for a password: none given\n";
        return false;
    }
    return readPasswordFromTerminal("Password for " + user + " on " + server +
                                        (attempt > 1 ? " (try " + std::to_string(attempt) + " of " +
                                                           std::to_string(kPasswordAttempts) + ")"
                                                     : std::string()) +
                                        ": ",
                                    out);
}

RunResult ScenarioRun::run(LineSource& source) {
    source_ = &source;
    PasswordScope passwords(this);
    long liveAtStart = PlatformHost::liveObjectCount();
    PlatformHost::clearUserRecords();
    RunResult result = RunResult::Passed;
    {
        PlatformHost::ScopedModalEventSource promptSource(
            [this](WindowRef window) { return promptAction(window); });
        out_ << label_ << ":\n";
        ScenarioLine line;
        while (source.next(&line)) {
            try {
                execute(line);
            } catch (const ScenarioError& error) {
                out_ << label_ << ":" << lineNumber_ << ": error: " << error.message << "\n";
                if (!options_.interactive) {
                    result = RunResult::Broken;
                    break;
                }
            }
        }
    }
    cleanUp();
    long live = PlatformHost::liveObjectCount();
    if (live != liveAtStart && result != RunResult::Broken) {
        ++failures_;
        out_ << "FAIL " << label_ << ": platform objects still alive after the scenario: "
             << PlatformHost::liveObjectReport() << "\n";
    }
    if (result == RunResult::Broken) {
        return result;
    }
    out_ << label_ << ": "
         << (failures_ == 0 ? "all checks held" : std::to_string(failures_) + " check(s) failed")
         << "\n";
    return failures_ == 0 ? RunResult::Passed : RunResult::Failed;
}

ScenarioRunner::ScenarioRunner(RunnerOptions options, std::string label, std::string folder,
                               std::ostream& out)
    : run_(std::make_unique<ScenarioRun>(std::move(options), std::move(label), std::move(folder),
                                         out)) {}

ScenarioRunner::~ScenarioRunner() = default;

RunResult ScenarioRunner::run(LineSource& source) {
    return run_->run(source);
}
