// accounting-agent: gives the user's held jobs on accounting queues their codes (Agent.h). The
// options are listed by --help (kHelp below) and in accounting-agent.1.
#include "host/HostText.h"
#include "host/ProgramLayout.h"
#include "host/ProgramOptions.h"
#include "host/agent/Agent.h"

#include <iostream>
#include <string>

namespace {

const char* const kHelp = R"(usage: accounting-agent [OPTION]...

Runs in the user's session and gives accounting codes to the user's print jobs that an
accounting queue holds until they have them (a Quorv queue set to job-hold-until-default
indefinite), whichever application printed them. For each such job, oldest first, the user's
remembered print settings decide, as the print dialog's Print button would:
  - codes asked for at print time: the pane's prompt opens, titled with the document and the
    queue; OK releases the job with the codes, Cancel cancels it;
  - default codes that pass the pane's check: the job is released with them at once, and a
    desktop notification says so;
  - anything else (nothing remembered yet, accounting off, a code missing): the print dialog
    opens for the job; Print releases it with the codes, Cancel cancels it.
A job is never released without every code its queue passes on to the printer, and only the
user's own jobs are touched. Each job released is followed until it is printed, cancelled or
stopped, and the user is told. Jobs wait held while no agent runs; the next one started takes
them all.

Options:
  --once                   handle the jobs held now, then exit
  --server HOST:PORT       the CUPS server (else CUPS_SERVER, else libcups's default)
  --encryption never|if-requested|required|always
                           how connections to the server are encrypted (else CUPS_ENCRYPTION,
                           else client.conf's Encryption)
  --user NAME              whose jobs to serve (else CUPS_USER, else the login name)
  --timeout SECONDS        how long one exchange with the server may take (default 10)
  --events auto|bus|poll   how the server's events are heard: on the system bus from cupsd's
                           D-Bus notifier where the local server offers it (auto, the
                           default), or by polling the server about once a second (poll)
  --bundle PATH            the pane's bundle (default: the one installed with the program)
  --layout-file PATH       keep the places of the windows' controls in this file
  --help                   show this text
  --version                show the version

Only one agent runs for a user and a server: a second one says so and exits 0. When the
server goes away the agent connects again, waiting up to 30 s between tries, and looks at
every held job once it is back. On the bus, cupsd's notifier announces every user's jobs (their
id, queue, state and name, never their codes) to anyone on the machine who listens; with
--events poll nothing of the agent's making goes on the bus.

Environment:
  CUPS_SERVER, CUPS_USER, CUPS_ENCRYPTION   as for printdialog
  XDG_CONFIG_HOME          where the remembered settings are (printdialog/settings.plist)
  XDG_RUNTIME_DIR          where the lock against a second agent is kept (else
                           XDG_CACHE_HOME/accounting-agent, else ~/.cache/accounting-agent)
  DISPLAY, WAYLAND_DISPLAY the display the windows open on; without one, jobs that need a
                           window wait

See accounting-agent(1) and printdialog(1).
)";

} // namespace

int main(int argc, char** argv) {
    ProgramLayout layout = programLayout();
    AgentOptions options;
    options.bundlePath = layout.bundles + "/Accounting.plugin";
    options.helpBundlePath = layout.bundles + "/QuorvHelp.bundle";
    const ProgramInfo program = {
        "accounting-agent", kHelp,
        "usage: accounting-agent [--once] [--server HOST:PORT] [--user NAME] ...\n"
        "Try 'accounting-agent --help' for more.\n"};
    CommandLine read =
        readCommandLine(argc, argv, program, &options.server,
                        {{"--once", false, setFlag(&options.once)},
                         {"--bundle", true, storeIn(&options.bundlePath)},
                         {"--layout-file", true, storeIn(&options.layoutFile)},
                         {"--events", true,
                          [&](const std::string& value) {
                              options.events = value == "bus"    ? EventPath::Bus
                                               : value == "poll" ? EventPath::Polling
                                                                 : EventPath::Auto;
                              return value == "bus" || value == "poll" || value == "auto";
                          }}},
                        nullptr);
    if (read != CommandLine::Read) {
        return exitStatus(read);
    }
    // Its windows and notifications speak the user's language.
    useUserLanguage(localeFolder());
    return runAgent(options);
}
