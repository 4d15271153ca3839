// accounting-guard: guards a Quorv queue with the accounting guard, or takes the guard away,
// and checks the rest of the setup (QueueGuard.h). The options are listed by --help and in
// accounting-guard.1.
#include "host/guard/QueueGuard.h"

#include "host/ProgramOptions.h"

#include <cstdlib>
#include <iostream>
#include <string>

namespace {

const char* const kHelp = R"(usage: accounting-guard [OPTION]... guard|unguard|check QUEUE

guard QUEUE    put the accounting guard in front of the queue's printer (its device URI
               becomes quorv-accounting:URI) and hold every new job until its codes are given
               (job-hold-until-default indefinite); then check the queue as below
unguard QUEUE  take the guard away: the device URI as it was, no job held
check QUEUE    say, one line each, what holds ("ok:") and what is missing ("missing:", or
               "unknown:" when it could not be looked at): the guard and the backend behind
               it, the hold, the PPD's Manufacturer and cupsJobAccount keywords, the codes'
               privacy in cupsd.conf, and whether the server checks who sends a job

A guarded queue prints a job only with every code its PPD passes on, not empty and free of
control characters; any other job is held with a message saying which code it waits for,
whatever the client asked, until accounting-agent gives it its codes.

Options:
  --server HOST:PORT    the CUPS server (else CUPS_SERVER, else libcups's default)
  --encryption never|if-requested|required|always
  --user NAME           the administrator's name for the server (else CUPS_USER, the login)
  --timeout SECONDS     how long one exchange with the server may take (default 10)
  --serverbin DIR       CUPS's ServerBin, with backend/ in it (else CUPS_SERVERBIN, else
                        /usr/lib/cups)
  --help                show this text
  --version             show the version

Exit status: 0 done (check: everything holds), 1 check found something missing, 2 the queue
could not be read or changed.
)";

} // namespace

int main(int argc, char** argv) {
    GuardCommand command;
    const char* serverBin = std::getenv("CUPS_SERVERBIN");
    command.serverBin = serverBin != nullptr && *serverBin != '\0' ? serverBin : "/usr/lib/cups";
    const ProgramInfo program = {"accounting-guard", kHelp,
                                 "usage: accounting-guard [OPTION]... guard|unguard|check QUEUE\n"
                                 "Try 'accounting-guard --help' for more.\n"};
    std::vector<std::string> words;
    CommandLine read =
        readCommandLine(argc, argv, program, &command.server,
                        {{"--serverbin", true, storeIn(&command.serverBin)}}, &words);
    if (read != CommandLine::Read) {
        return exitStatus(read);
    }
    if (words.size() != 2) {
        std::cerr << program.usage;
        return 2;
    }
    const std::string& action = words[0];
    command.queue = words[1];
    if (action == "guard") {
        command.action = GuardAction::Guard;
    } else if (action == "unguard") {
        command.action = GuardAction::Unguard;
    } else if (action == "check") {
        command.action = GuardAction::Check;
    } else {
        std::cerr << program.usage;
        return 2;
    }
    return runGuardCommand(command, std::cout);
}
