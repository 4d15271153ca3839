#include "host/agent/Stop.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t gStop = 0;

} // namespace

void installStopHandlers() {
    struct sigaction stop {};
    stop.sa_handler = [](int) { gStop = 1; };
    sigaction(SIGTERM, &stop, nullptr);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGHUP, &stop, nullptr);
}

bool agentStopping() {
    return gStop != 0;
}

void stopAgent() {
    gStop = 1;
}
