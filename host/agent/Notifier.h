// The desktop's notifications (libnotify): one line of what became of a job, where the user
// sees it without a window.
#pragma once

#include <string>

class Notifier {
  public:
    Notifier();
    ~Notifier();
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    // False with why when no notification could be shown (no notification server runs, say).
    // The body is plain text; it is escaped for the notification server's markup.
    bool notify(const std::string& summary, const std::string& body, std::string* why);

  private:
    bool ready_ = false;
};
