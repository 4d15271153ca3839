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

GMainContext* agentContext() {
    static GMainContext* context = g_main_context_new();
    return context;
}

AgentContextScope::AgentContextScope() {
    g_main_context_push_thread_default(agentContext());
}

AgentContextScope::~AgentContextScope() {
    g_main_context_pop_thread_default(agentContext());
}

void waitUnlessStopped(std::chrono::milliseconds span, const std::function<bool()>& done) {
    if (span.count() <= 0 || gStop) {
        return;
    }
    bool fired = false;
    GSource* timer = g_timeout_source_new(static_cast<guint>(span.count()));
    g_source_set_callback(
        timer,
        [](gpointer data) -> gboolean {
            *static_cast<bool*>(data) = true;
            return G_SOURCE_REMOVE;
        },
        &fired, nullptr);
    g_source_attach(timer, agentContext());
    // A stop signal interrupts the wait in poll(), and the iteration returns.
    while (!fired && !gStop && !(done && done())) {
        g_main_context_iteration(agentContext(), TRUE);
    }
    g_source_destroy(timer);
    g_source_unref(timer);
}
