// quorv-accounting: the accounting guard, a CUPS backend (Guard.h). CUPS runs it as the last
// step of every job of a guarded queue, as the lp user:
//
//   quorv-accounting                                       lists no devices
//   quorv-accounting JOB USER TITLE COPIES OPTIONS [FILE]  prints or holds the job
//
// A job with the codes its queue passes on goes to the real backend: it is exec'ed with
// DEVICE_URI set to the URI behind "quorv-accounting:", with every argument, standard input and
// the back and side channels (descriptors 3 and 4) as CUPS gave them, so its exit status is the
// job's. A job without them is held (CUPS_BACKEND_HOLD) with an ERROR: line saying which code
// it waits for. A guard that cannot reach its real backend stops the queue with a line saying
// why: no job is ever printed past it.
#include "host/guard/Guard.h"

#include <cups/backend.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int stopQueue(const std::string& why) {
    std::fprintf(stderr, "ERROR: The accounting guard cannot print: %s\n", why.c_str());
    return CUPS_BACKEND_STOP;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 1) {
        return CUPS_BACKEND_OK; // CUPS asks every backend for its devices: the guard has none
    }
    if (argc < 6 || argc > 7) {
        std::fprintf(stderr, "Usage: %s job-id user title copies options [file]\n", kGuardScheme);
        return CUPS_BACKEND_FAILED;
    }
    // Run as root, it would run the real backend with rights CUPS would not give it.
    if (geteuid() == 0) {
        return stopQueue(std::string("it runs as root; install ") + kGuardScheme +
                         " with mode 0755 so that CUPS runs it as lp");
    }
    const char* device = std::getenv("DEVICE_URI");
    std::string deviceUri = device != nullptr ? device : argv[0];
    const char* serverBin = std::getenv("CUPS_SERVERBIN");
    RealBackend real =
        findRealBackend(deviceUri, serverBin != nullptr ? serverBin : "/usr/lib/cups");
    if (!real.usable) {
        return stopQueue(real.problem);
    }
    const char* ppd = std::getenv("PPD");
    CodeCheck check = checkJobCodes(argv[5], codesNeededByPPD(ppd != nullptr ? ppd : ""));
    if (!check.passes) {
        std::fprintf(stderr, "ERROR: %s\n", heldMessage(check.reason).c_str());
        return CUPS_BACKEND_HOLD;
    }
    // argv[0] is the device URI as CUPS shows it (without a password): the real one's likewise.
    std::string shown = argv[0];
    std::string prefix = std::string(kGuardScheme) + ":";
    if (shown.compare(0, prefix.size(), prefix) == 0) {
        shown.erase(0, prefix.size());
    } else {
        shown = real.uri;
    }
    std::vector<char*> args(argv, argv + argc);
    args[0] = shown.data();
    args.push_back(nullptr);
    setenv("DEVICE_URI", real.uri.c_str(), 1);
    execv(real.program.c_str(), args.data());
    return stopQueue("the backend " + real.program + " could not be run (" + std::strerror(errno) +
                     ")");
}
