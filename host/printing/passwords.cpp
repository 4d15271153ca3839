#include "host/printing/Passwords.h"

#include <cups/cups.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

struct State {
    PasswordSource* source = nullptr;
    int userAttempts = 0;
    bool offeredKept = false;
    passwords::Outcome outcome = passwords::Outcome::NotAsked;
    std::string user;
    std::string server;
    std::string answer; // what the callback returned last; libcups reads it from here
    std::string kept;   // the password the server took last, for the same user and server
    std::string keptFor;
};

State& state() {
    static State s;
    return s;
}

void wipe(std::string* secret) {
    if (!secret->empty()) {
        explicit_bzero(secret->data(), secret->size());
        secret->clear();
    }
}

// libcups calls this each time the server answers 401: a first time when it asks, and again
// when it refused what was given. Answering null ends the request.
const char* askPassword(const char*, http_t* http, const char*, const char*, void*) {
    State& s = state();
    char host[256] = "";
    if (http != nullptr) {
        httpGetHostname(http, host, sizeof host);
    }
    s.user = cupsUser();
    s.server = host;
    std::string who = s.user + "@" + s.server;
    if (!s.offeredKept && !s.kept.empty() && s.keptFor == who) {
        s.offeredKept = true;
        s.answer = s.kept;
        s.outcome = passwords::Outcome::Given;
        return s.answer.c_str();
    }
    s.offeredKept = true;
    if (s.userAttempts >= kPasswordAttempts) {
        s.outcome = passwords::Outcome::Refused;
        wipe(&s.answer);
        return nullptr;
    }
    if (s.source == nullptr) {
        s.outcome = passwords::Outcome::NoSource;
        return nullptr;
    }
    ++s.userAttempts;
    std::string typed;
    if (!s.source->password(s.user, s.server, s.userAttempts, &typed)) {
        s.outcome = passwords::Outcome::Cancelled;
        wipe(&typed);
        wipe(&s.answer);
        return nullptr;
    }
    wipe(&s.answer);
    s.answer = std::move(typed);
    s.outcome = passwords::Outcome::Given;
    return s.answer.c_str();
}

} // namespace

PasswordScope::PasswordScope(PasswordSource* source) : previous_(state().source) {
    state().source = source;
}

PasswordScope::~PasswordScope() {
    state().source = previous_;
}

namespace passwords {

void beginRequest() {
    cupsSetPasswordCB2(askPassword, nullptr);
    State& s = state();
    s.userAttempts = 0;
    s.offeredKept = false;
    s.outcome = Outcome::NotAsked;
}

void endRequest(bool refused) {
    State& s = state();
    if (s.outcome == Outcome::Given && !refused) {
        wipe(&s.kept);
        s.kept = s.answer;
        s.keptFor = s.user + "@" + s.server;
    }
    wipe(&s.answer);
}

Outcome outcome() {
    return state().outcome;
}

const std::string& askedUser() {
    return state().user;
}

} // namespace passwords

bool readPasswordFromTerminal(const std::string& prompt, std::string* out) {
    int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) {
        return false;
    }
    termios saved{};
    bool echoOff = tcgetattr(tty, &saved) == 0;
    if (echoOff) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    if (write(tty, prompt.data(), prompt.size()) < 0) {
        // Nothing to do: the read below still gets what is typed.
    }
    std::string line;
    char c = 0;
    bool ended = false;
    while (read(tty, &c, 1) == 1) {
        if (c == '\n' || c == '\r') {
            ended = true;
            break;
        }
        line.push_back(c);
    }
    explicit_bzero(&c, sizeof c);
    if (echoOff) {
        tcsetattr(tty, TCSAFLUSH, &saved);
    }
    close(tty);
    if (!ended && line.empty()) {
        return false;
    }
    *out = std::move(line);
    return true;
}
