// Runs scenario lines against the real bundle in a print dialog of the host's, printing a
// transcript. The commands and checks are those of the host's scenario language (README).
#pragma once

#include "host/PaneDriver.h"
#include "host/PlugInHost.h"
#include "host/PrintDialog.h"
#include "host/printing/Passwords.h"
#include "host/printing/Printer.h"
#include "host/printing/QueueJobs.h"
#include "host/scenario/ScenarioReader.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

struct RunnerOptions {
    std::string bundlePath;
    std::string helpBundlePath;
    std::string outDir;       // where render writes relative paths
    bool interactive = false; // errors are reported and the run goes on; windows shown after each
    // What a dialog prints to and with until its scenario says otherwise.
    std::string printer;  // a PPD path, or "cups:QUEUE"; empty: none
    std::string document; // empty: the test page
    CupsServer server;
};

enum class RunResult { Passed = 0, Failed = 1, Broken = 2 };

// Where the lines come from: a file's lines, or the terminal one at a time.
class LineSource {
  public:
    virtual ~LineSource() = default;
    // False when there are no more lines.
    virtual bool next(ScenarioLine* line) = 0;
};

// The lines of a scenario that has been read whole.
class ScenarioLines : public LineSource {
  public:
    explicit ScenarioLines(std::vector<ScenarioLine> lines) : lines_(std::move(lines)) {}
    bool next(ScenarioLine* line) override {
        if (at_ >= lines_.size()) {
            return false;
        }
        *line = lines_[at_++];
        return true;
    }

  private:
    std::vector<ScenarioLine> lines_;
    size_t at_ = 0;
};

class ScenarioRunner : private PasswordSource {
  public:
    // label names the scenario in messages ("demo.scenario"); folder is where its relative paths
    // start.
    ScenarioRunner(RunnerOptions options, std::string label, std::string folder, std::ostream& out);
    ~ScenarioRunner();

    RunResult run(LineSource& source);

  private:
    // The server asks for a password: the next `password` line's, else the terminal's when
    // the scenario runs from one.
    bool password(const std::string& user, const std::string& server, int attempt,
                  std::string* out) override;

    struct TicketEdit {
        std::string key;
        bool isInt;
        long number;
        std::string text;
    };
    struct Dialog {
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

    void execute(const ScenarioLine& line);
    void setupCommand(const std::vector<std::string>& w);
    void lifecycleCommand(const std::vector<std::string>& w);
    void dialogCommand(const std::vector<std::string>& w);
    void expectCommand(const std::vector<std::string>& w);
    void printCommand();
    void jobCheck(const std::vector<std::string>& w);
    Printer* openPrinter(Dialog& d);
    // The line as the transcript shows it: a code typed into or expected of a concealed place
    // shows as bullets.
    std::string echoed(const std::vector<std::string>& w);
    bool concealedAttribute(const std::string& attribute);
    void load();
    void cleanUp();
    void showWindow(WindowRef window);

    bool modalAction(WindowRef window);
    OSStatus call(const std::function<OSStatus()>& entryPoint);
    void check(bool held, const std::string& expected, const std::string& got);

    std::string resolve(const std::string& path) const;
    WindowRef activeWindow();
    ControlRef controlOf(const std::string& idWord, WindowRef window = nullptr);
    PlugInIntfVTable& table();
    Dialog& dialog();

    RunnerOptions options_;
    std::string label_;
    std::string folder_;
    std::ostream& out_;
    LineSource* source_ = nullptr;
    int lineNumber_ = 0;
    std::map<std::string, Dialog> dialogs_;
    std::string current_ = "main";
    WindowRef modalWindow_ = nullptr;
    std::string modalError_;
    bool sourceDry_ = false;
    int printLine_ = 0;
    bool havePrint_ = false;
    bool lastPrinted_ = false;
    bool haveStatus_ = false;
    long lastStatus_ = 0;
    std::vector<std::string> stderrLines_;
    std::deque<std::string> passwords_;
    int failures_ = 0;
    int jobsSent_ = 0;
    long liveAtStart_ = 0;
};
