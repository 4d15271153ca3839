// Passwords for a print server that asks for one. libcups asks the host through a callback; the
// host asks the user through whatever source the program set (a dialog, the terminal, a
// scenario's `password` lines). A password is kept in memory only, for the program's life, once
// the server has taken it; it is never written anywhere.
#pragma once

#include <string>

typedef struct _http_s http_t;

class PasswordSource {
  public:
    virtual ~PasswordSource() = default;
    // The password of the user on the server, asked for the attempt'th time (1 to
    // kPasswordAttempts); false when the user cancelled or there is none to give.
    virtual bool password(const std::string& user, const std::string& server, int attempt,
                          std::string* out) = 0;
};

// How many passwords the user is asked for in one request before the host gives up.
constexpr int kPasswordAttempts = 3;

// Makes the source the one every request of the host asks, while the guard lives.
class PasswordScope {
  public:
    explicit PasswordScope(PasswordSource* source);
    ~PasswordScope();
    PasswordScope(const PasswordScope&) = delete;
    PasswordScope& operator=(const PasswordScope&) = delete;

  private:
    PasswordSource* previous_;
};

namespace passwords {

// What became of the passwords asked for during the last request.
enum class Outcome { NotAsked, Given, NoSource, Cancelled, Refused };

// Installs the host's callback in libcups (once) and starts counting attempts for a request.
void beginRequest();
// After the request: a password given and not refused is kept for the next ones.
void endRequest(bool refused);
Outcome outcome();
// The user the last password was asked of.
const std::string& askedUser();

} // namespace passwords

// A password typed at the terminal without echo, asked on /dev/tty; false when there is no
// terminal or the user typed nothing (end of input).
bool readPasswordFromTerminal(const std::string& prompt, std::string* out);
