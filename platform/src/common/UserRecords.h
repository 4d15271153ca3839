// What the platform showed or did for the user (alerts, notices, beeps, help pages), kept for
// the host to read.
#pragma once

#include <MacTypes.h>

#include <string>
#include <vector>

namespace platform {

struct AlertRecord {
    SInt16 type;
    std::string message;
    std::string explanation;
};

struct NoticeRecord {
    std::string title;
    std::string message;
    unsigned long flags;
    double timeout;
};

struct HelpRecord {
    std::string book;
    std::string page;
    std::string anchor;
    std::string file; // the page file opened; empty when none was
    OSStatus status;
};

struct UserRecords {
    std::vector<AlertRecord> alerts;
    std::vector<NoticeRecord> notices;
    long beeps = 0;
    std::vector<HelpRecord> helps;
};

UserRecords& userRecords();

} // namespace platform
