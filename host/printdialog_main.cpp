// printdialog: plays the print dialog around the Accounting pane.
//
//   printdialog                      runs the demo tour and writes pictures to printdialog-out/
//   printdialog SCENARIO...          runs scenario files; exit 0 held, 1 failed, 2 broken
//   printdialog -i                   takes the commands from the terminal
//   printdialog --printers           lists the print server's queues
//   printdialog --window             the dialog in a real window on the display
//   printdialog --help | --version
// The options are listed by --help (kHelp below) and in printdialog.1.
#include "host/HostText.h"
#include "host/ProgramLayout.h"
#include "host/ProgramOptions.h"
#include "host/printing/Printer.h"
#include "host/printing/PrinterName.h"
#include "host/scenario/ScenarioRunner.h"
#include "host/window/WindowApp.h"

#include <PlatformHost.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class TerminalLines : public LineSource {
  public:
    bool next(ScenarioLine* line) override {
        for (;;) {
            std::cout << "printdialog> " << std::flush;
            std::string text;
            if (!std::getline(std::cin, text)) {
                std::cout << "\n";
                return false;
            }
            ++number_;
            std::string error;
            std::vector<std::string> words;
            if (!splitScenarioLine(text, &words, &error)) {
                std::cout << "line " << number_ << ": " << error << "\n";
                continue;
            }
            if (words.empty()) {
                continue;
            }
            if (words[0] == "quit" || words[0] == "exit") {
                return false;
            }
            *line = ScenarioLine{number_, words};
            return true;
        }
    }

  private:
    int number_ = 0;
};

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* const kHelp = R"(usage: printdialog [OPTION]... [SCENARIO]...
       printdialog [OPTION]... -i | --printers | --window

The print dialog around the Accounting pane, loaded from its bundle. With no scenario it runs the
demo tour and writes pictures of the pane and the prompt to printdialog-out/.

Modes:
  SCENARIO...              run scenario files (exit 0 all checks held, 1 one failed, 2 broken)
  -i                       read scenario commands from the terminal
  --printers               list the print server's queues and whether the pane serves them
  --window                 open the dialog in a window on the display (GTK)
  --help                   show this text
  --version                show the version

Options:
  --printer QUEUE|PPD      the printer: cups:QUEUE is always a queue; otherwise a PPD file
                           that exists, else a queue of that name (repeat it in --window)
  --server HOST:PORT       the CUPS server (else CUPS_SERVER, else libcups's default)
  --encryption never|if-requested|required|always
                           how connections to the server are encrypted (else CUPS_ENCRYPTION,
                           else client.conf's Encryption); required and always never send a
                           request in clear, and fail on a server without TLS
  --user NAME              the job's user (else CUPS_USER, else the login name)
  --timeout SECONDS        how long a job may take with the server, all waits together
                           (default 10)
  --file PATH              the document to print (default: a one-page PDF test page)
  --bundle PATH            the pane's bundle (default: the one installed with the program)
  --out DIR                where pictures go (default printdialog-out)
  --settings PATH          (--window) start from this print-settings file, not the
                           remembered settings
  --no-remember            (--window) neither read nor write the remembered settings
  --layout-file PATH       (--window) keep the places of the controls in this file

When the server asks for a password, printdialog asks: in the window with a dialog, at the
terminal without echo; a scenario's password lines answer first. A wrong password is asked for
again at most twice. Passwords are never written anywhere.

The window remembers the last settings printed with in
$XDG_CONFIG_HOME/printdialog/settings.plist (mode 0600); a concealed code is kept only in
the desktop's keyring (Secret Service), or not at all when none runs.

Environment:
  CUPS_SERVER              the print server, when --server is not given
  CUPS_USER                the job's user, when --user is not given
  CUPS_ENCRYPTION          Never, IfRequested, Required or Always, when --encryption is not given
  DISPLAY, WAYLAND_DISPLAY the display --window opens on
  XDG_CONFIG_HOME          where the remembered settings are (default ~/.config)

See printdialog(1).
)";

// One line for each of the server's queues, sorted by name: what it is, whether the pane would
// wire itself for it, and whether it takes jobs.
int listPrinters(const CupsServer& server) {
    CupsFailure failure;
    std::unique_ptr<CupsConnection> connection = CupsConnection::open(server, &failure);
    std::vector<QueueInfo> queues;
    if (connection == nullptr || !connection->queues(&queues, &failure)) {
        std::cerr << "printdialog: " << failure.message << "\n";
        return 2;
    }
    std::sort(queues.begin(), queues.end(),
              [](const QueueInfo& a, const QueueInfo& b) { return a.name < b.name; });
    for (const QueueInfo& queue : queues) {
        std::unique_ptr<Printer> printer = Printer::fromQueue(server, queue.name);
        std::string manufacturer = printer->ppdPath().empty()
                                       ? "no PPD"
                                       : "Manufacturer \"" + printer->manufacturer() + "\"";
        std::cout << queue.name << "  \"" << (queue.makeAndModel.empty() ? "?" : queue.makeAndModel)
                  << "\"  " << manufacturer
                  << "  accounting: " << (printer->kind() == PrinterKind::Accounting ? "yes" : "no")
                  << "  " << (queue.accepting ? "accepting" : "not accepting")
                  << (queue.state == 5 ? ", stopped" : "") << "\n";
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    ProgramLayout layout = programLayout();
    RunnerOptions options;
    options.bundlePath = layout.bundles + "/Accounting.plugin";
    options.helpBundlePath = layout.bundles + "/QuorvHelp.bundle";
    options.outDir = "printdialog-out";
    std::vector<std::string> scenarios;
    bool interactive = false;
    bool printers = false;
    bool window = false;
    WindowOptions windowOptions;
    const ProgramInfo program = {
        "printdialog", kHelp,
        "usage: printdialog [OPTION]... [SCENARIO]... | -i | --printers | --window\n"
        "Try 'printdialog --help' for more.\n"};
    std::vector<std::string> serverOptions;
    CommandLine read =
        readCommandLine(argc, argv, program, &options.server,
                        {{"--bundle", true, storeIn(&options.bundlePath)},
                         {"--out", true, storeIn(&options.outDir)},
                         {"--printer", true,
                          [&](const std::string& value) {
                              PrinterName name;
                              if (!parsePrinterName(value, BareWord::FileOrQueue, &name)) {
                                  return false;
                              }
                              if (options.printer.empty()) {
                                  options.printer = name.spelled();
                              }
                              windowOptions.printers.push_back(name.spelled());
                              return true;
                          }},
                         {"--window", false, setFlag(&window)},
                         {"--settings", true, storeIn(&windowOptions.settings)},
                         {"--no-remember", false, setFlag(&windowOptions.remember, false)},
                         {"--layout-file", true, storeIn(&windowOptions.layoutFile)},
                         {"--file", true, storeIn(&options.document)},
                         {"--printers", false, setFlag(&printers)},
                         {"-i", false, setFlag(&interactive)}},
                        &scenarios, &serverOptions);
    if (read != CommandLine::Read) {
        return exitStatus(read);
    }
    auto usage = [&] {
        std::cerr << program.usage;
        return 2;
    };
    windowOptions.serverGiven =
        std::find(serverOptions.begin(), serverOptions.end(), "--server") != serverOptions.end();
    if (window) {
        if (interactive || printers || !scenarios.empty()) {
            return usage();
        }
        // The window speaks the user's language; scenarios keep the transcripts' English.
        useUserLanguage(localeFolder());
        windowOptions.bundlePath = options.bundlePath;
        windowOptions.helpBundlePath = options.helpBundlePath;
        windowOptions.server = options.server;
        // With no printer named, the window offers the server's queues.
        windowOptions.serverGiven = windowOptions.serverGiven || std::getenv("CUPS_SERVER") ||
                                    windowOptions.printers.empty();
        windowOptions.document = options.document;
        windowOptions.outDir = options.outDir;
        return runWindow(windowOptions);
    }
    if (printers) {
        if (interactive || !scenarios.empty()) {
            return usage();
        }
        return listPrinters(options.server);
    }
    if (interactive) {
        if (!scenarios.empty()) {
            return usage();
        }
        options.interactive = true;
        ScenarioRunner runner(options, "terminal", ".", std::cout);
        TerminalLines lines;
        return static_cast<int>(runner.run(lines));
    }
    if (scenarios.empty()) {
        scenarios.push_back(layout.demo);
    }
    int worst = 0;
    for (const std::string& path : scenarios) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::cout << path << ": error: no such scenario file\n";
            worst = 2;
            continue;
        }
        std::stringstream text;
        text << in.rdbuf();
        std::vector<ScenarioLine> lines;
        std::string error;
        if (!readScenario(text.str(), &lines, &error)) {
            // "line N: why" becomes "file:N: error: why".
            size_t colon = error.find(':');
            std::cout << nameOf(path) << ":" << error.substr(5, colon - 5)
                      << ": error:" << error.substr(colon + 1) << "\n";
            worst = 2;
            continue;
        }
        ScenarioRunner runner(options, nameOf(path), folderOf(path), std::cout);
        ScenarioLines source(std::move(lines));
        int result = static_cast<int>(runner.run(source));
        worst = std::max(worst, result);
    }
    return worst;
}
