#include "host/agent/Stop.h"

#include <glib.h>

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

void waitUnlessStopped(std::chrono::milliseconds span, const std::function<bool()>& done) {
    if (span.count() <= 0 || gStop) {
        return;
    }
    bool fired = false;
    guint timer = g_timeout_add(
        static_cast<guint>(span.count()),
        [](gpointer data) -> gboolean {
            *static_cast<bool*>(data) = true;
            return G_SOURCE_REMOVE;
        },
        &fired);
    // A stop signal interrupts the wait in poll(), and the iteration returns.
    while (!fired && !gStop && !(done && done())) {
        g_main_context_iteration(nullptr, TRUE);
    }
    if (!fired) {
        g_source_remove(timer);
    }
}
