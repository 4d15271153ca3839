#include "host/agent/JobReports.h"

#include "host/HostText.h"
#include "host/ShownText.h"

#include <algorithm>
#include <iostream>

void agentSays(const std::string& line) {
    std::cout << oneLine(line) << std::endl;
}

void JobReports::tell(const HeldJob& job, const std::string& line) {
    agentSays("job " + std::to_string(job.id) + ": " + line);
    told_.push_back(line);
}

namespace {

constexpr auto kBetweenNotifications = std::chrono::seconds(2);

} // namespace

std::chrono::milliseconds JobReports::untilDue() const {
    if (told_.empty()) {
        return std::chrono::milliseconds(0);
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        lastShown_ + kBetweenNotifications - std::chrono::steady_clock::now());
    return std::max(left, std::chrono::milliseconds(1));
}

void JobReports::notifyTold(When when) {
    auto now = std::chrono::steady_clock::now();
    if (told_.empty() || (when == When::Due && now < lastShown_ + kBetweenNotifications)) {
        return;
    }
    lastShown_ = now;
    std::string summary = told_.size() == 1
                              ? std::string(hostText("Accounting"))
                              : hostText("Accounting: %1 jobs", {std::to_string(told_.size())});
    std::string body;
    constexpr size_t kShown = 5;
    // Appended piece by piece: GCC 12 at -O3 warns falsely on a literal put before a string.
    for (size_t i = 0; i < told_.size() && i < kShown; ++i) {
        if (i > 0) {
            body += '\n';
        }
        body += told_[i];
    }
    if (told_.size() > kShown) {
        body += '\n';
        body += hostText("and %1 more", {std::to_string(told_.size() - kShown)});
    }
    told_.clear();
    std::string why;
    if (notifier_.notify(summary, body, &why)) {
        agentSays("notified: " + summary + ": " + body.substr(0, body.find('\n')));
    } else {
        agentSays("notification: not shown (" + why + ")");
    }
}
