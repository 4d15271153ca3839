#include "host/guard/QueueGuard.h"

#include "host/guard/Guard.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <ostream>
#include <sstream>
#include <strings.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kGuardPrefix = std::string(kGuardScheme) + ":";
const char* const kPrivacyLine = "JobPrivateValues default job-account-id job-accounting-user-id";

// The check's lines, and whether any found something missing or could not look.
class Report {
  public:
    Report(std::ostream& out, std::string queue) : out_(out), queue_(std::move(queue)) {}
    void ok(const std::string& text) { line("ok", text); }
    void missing(const std::string& text) {
        line("missing", text);
        holds_ = false;
    }
    void unknown(const std::string& text) {
        line("unknown", text);
        holds_ = false;
    }
    bool holds() const { return holds_; }

  private:
    void line(const char* verdict, const std::string& text) {
        out_ << verdict << ": " << queue_ << ": " << text << "\n";
    }
    std::ostream& out_;
    std::string queue_;
    bool holds_ = true;
};

std::string trimmed(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// A PPD main keyword's value, quotes taken off; empty when the PPD has none.
std::string ppdKeyword(const std::string& ppd, const std::string& keyword) {
    std::istringstream lines(ppd);
    std::string line;
    std::string wanted = "*" + keyword + ":";
    while (std::getline(lines, line)) {
        if (line.compare(0, wanted.size(), wanted) == 0) {
            std::string value = trimmed(line.substr(wanted.size()));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                value = value.substr(1, value.size() - 2);
            }
            return value;
        }
    }
    return {};
}

void checkBackends(const GuardCommand& command, const QueueSetup& setup, Report* report) {
    struct stat folder {};
    std::string backends = command.serverBin + "/backend";
    if (stat(backends.c_str(), &folder) != 0) {
        report->unknown("CUPS's backend folder " + backends +
                        " is not on this machine: run the check on the server (--serverbin DIR)");
        return;
    }
    struct stat guard {};
    std::string program = backends + "/" + kGuardScheme;
    if (stat(program.c_str(), &guard) != 0) {
        report->missing("the guard is not installed as " + program);
    } else if (runsAsRoot(guard.st_mode) || (guard.st_mode & (S_IWGRP | S_IWOTH)) != 0 ||
               guard.st_uid != 0) {
        report->missing(program + " must be root's, mode 0755, so that CUPS runs it as lp");
    }
    if (setup.deviceUri.compare(0, kGuardPrefix.size(), kGuardPrefix) != 0) {
        return;
    }
    RealBackend real = findRealBackend(setup.deviceUri, command.serverBin);
    if (real.usable) {
        report->ok("the printer's backend " + real.program + " runs as lp, behind the guard");
    } else {
        report->missing(real.problem);
    }
}

void checkPPD(CupsConnection& connection, const std::string& queue, Report* report) {
    int fd = memfd_create("accounting-guard-ppd", MFD_CLOEXEC);
    CupsFailure failure;
    if (fd < 0 || !connection.fetchPPD(queue, fd, &failure)) {
        report->missing(fd < 0 ? std::string("no memory for the PPD: ") + std::strerror(errno)
                               : failure.message + ": the pane and the agent serve only a queue "
                                                   "whose PPD names Quorv");
        if (fd >= 0) {
            close(fd);
        }
        return;
    }
    std::string ppd;
    char buffer[65536];
    lseek(fd, 0, SEEK_SET);
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
        ppd.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    std::string manufacturer = ppdKeyword(ppd, "Manufacturer");
    if (manufacturer == "Quorv") {
        report->ok("the PPD names the manufacturer Quorv");
    } else {
        report->missing("the PPD names the manufacturer \"" + manufacturer +
                        "\", not Quorv: the pane and the agent do not serve this queue");
    }
    for (const char* keyword : {"cupsJobAccountingUserId", "cupsJobAccountId"}) {
        if (strcasecmp(ppdKeyword(ppd, keyword).c_str(), "true") == 0) {
            report->ok(std::string("the PPD passes the code on (*") + keyword + ": True)");
        } else {
            report->missing(std::string("the PPD lacks *") + keyword +
                            ": True: the printer would never get that code");
        }
    }
}

void checkPrivacy(CupsConnection& connection, const QueueSetup& setup, Report* report) {
    std::string conf;
    CupsFailure failure;
    std::string policy = setup.opPolicy.empty() ? "default" : setup.opPolicy;
    if (!connection.serverFile("/admin/conf/cupsd.conf", &conf, &failure)) {
        report->unknown("could not read the server's cupsd.conf (" + failure.message +
                        "): check that <Policy " + policy + "> has the line \"" + kPrivacyLine +
                        "\"");
        return;
    }
    PolicyPrivacy privacy = policyPrivacy(conf, policy);
    auto hidden = [&](const char* value) {
        const std::vector<std::string>& values = privacy.privateValues;
        return std::find(values.begin(), values.end(), value) != values.end() ||
               std::find(values.begin(), values.end(), "all") != values.end();
    };
    if (!privacy.found) {
        report->missing("cupsd.conf has no <Policy " + policy + ">, which the queue follows");
    } else if (!hidden("job-account-id") || !hidden("job-accounting-user-id")) {
        report->missing("every user reads every job's codes: add \"" + std::string(kPrivacyLine) +
                        "\" to <Policy " + policy + "> in cupsd.conf");
    } else if (!privacy.ownerOnly) {
        report->missing("<Policy " + policy +
                        ">'s JobPrivateAccess lets others read the codes: keep it default");
    } else {
        report->ok("only a job's owner (and the system group) reads its codes (<Policy " + policy +
                   ">)");
    }
}

void checkOwners(const QueueSetup& setup, Report* report) {
    std::string said;
    for (const std::string& way : setup.authentication) {
        said += (said.empty() ? "" : ",") + way;
    }
    if (ownerOnClientsWord(setup.authentication)) {
        report->missing("the server takes a job's owner on the client's word "
                        "(uri-authentication-supported " +
                        said +
                        "): another user can print in a user's name, on that user's account; "
                        "require authentication on the job operations (accounting-guard(1))");
    } else {
        report->ok("the server checks who sends a job (uri-authentication-supported " + said + ")");
    }
}

int check(CupsConnection& connection, const GuardCommand& command, Report* report) {
    CupsFailure failure;
    QueueSetup setup;
    if (!connection.queueSetup(command.queue, &setup, &failure)) {
        report->unknown(failure.message);
        return 2;
    }
    if (setup.deviceUri.compare(0, kGuardPrefix.size(), kGuardPrefix) == 0) {
        report->ok("the guard is in front of the printer (" + setup.deviceUri + ")");
    } else {
        report->missing("the guard is not in front of the printer (" + setup.deviceUri +
                        "): run accounting-guard guard " + command.queue);
    }
    checkBackends(command, setup, report);
    if (setup.holdDefault == "indefinite") {
        report->ok("new jobs wait for their codes (job-hold-until-default indefinite)");
    } else {
        report->missing("new jobs are not held (job-hold-until-default " + setup.holdDefault +
                        "): the guard holds them only after the server's filters ran");
    }
    checkPPD(connection, command.queue, report);
    checkPrivacy(connection, setup, report);
    checkOwners(setup, report);
    return report->holds() ? 0 : 1;
}

} // namespace

PolicyPrivacy policyPrivacy(const std::string& cupsdConf, const std::string& policy) {
    PolicyPrivacy privacy;
    std::istringstream lines(cupsdConf);
    std::string line;
    bool inside = false;
    int limits = 0;
    while (std::getline(lines, line)) {
        line = trimmed(line);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream words(line);
        std::string directive;
        words >> directive;
        std::transform(directive.begin(), directive.end(), directive.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (!inside) {
            std::string name = trimmed(line.substr(directive.size()));
            if (directive == "<policy" && !name.empty() && name.back() == '>' &&
                trimmed(name.substr(0, name.size() - 1)) == policy) {
                inside = privacy.found = true;
            }
            continue;
        }
        if (directive == "</policy>") {
            break;
        }
        if (directive.rfind("<limit", 0) == 0) {
            ++limits;
        } else if (directive.rfind("</limit", 0) == 0) {
            --limits;
        } else if (limits == 0 && directive == "jobprivatevalues") {
            privacy.privateValues.clear();
            for (std::string value; words >> value;) {
                if (value == "default") {
                    for (const char* name : {"job-name", "job-originating-host-name",
                                             "job-originating-user-name", "phone"}) {
                        privacy.privateValues.push_back(name);
                    }
                } else {
                    privacy.privateValues.push_back(value);
                }
            }
        } else if (limits == 0 && directive == "jobprivateaccess") {
            std::string who;
            words >> who;
            privacy.ownerOnly = who != "all";
        }
    }
    if (privacy.found && privacy.privateValues.empty()) {
        // Without the directive CUPS keeps the default values private.
        privacy.privateValues = {"job-name", "job-originating-host-name",
                                 "job-originating-user-name", "phone"};
    }
    return privacy;
}

int runGuardCommand(const GuardCommand& command, std::ostream& out) {
    CupsFailure failure;
    std::unique_ptr<CupsConnection> connection = CupsConnection::open(command.server, &failure);
    QueueSetup setup;
    if (connection == nullptr || !connection->queueSetup(command.queue, &setup, &failure)) {
        out << "accounting-guard: " << failure.message << "\n";
        return 2;
    }
    bool guarded = setup.deviceUri.compare(0, kGuardPrefix.size(), kGuardPrefix) == 0;
    const std::string& queue = command.queue;
    if (command.action == GuardAction::Unguard) {
        if (!guarded) {
            out << queue << ": not guarded (" << setup.deviceUri << ")\n";
            return 0;
        }
        std::string real = setup.deviceUri.substr(kGuardPrefix.size());
        if (!connection->modifyQueue(queue, real, "no-hold", &failure)) {
            out << "accounting-guard: " << failure.message << "\n";
            return 2;
        }
        out << queue << ": unguarded: it prints through " << real
            << " again, and holds no new job\n";
        return 0;
    }
    if (command.action == GuardAction::Guard) {
        std::string device = guarded ? std::string() : kGuardPrefix + setup.deviceUri;
        if (!guarded) {
            RealBackend real = findRealBackend(device, command.serverBin);
            struct stat folder {};
            bool local = stat((command.serverBin + "/backend").c_str(), &folder) == 0;
            if (!real.usable && (local || real.program.empty())) {
                out << "accounting-guard: " << queue << ": cannot guard it: " << real.problem
                    << "\n";
                return 2;
            }
        }
        if (!guarded || setup.holdDefault != "indefinite") {
            if (!connection->modifyQueue(queue, device, "indefinite", &failure)) {
                out << "accounting-guard: " << failure.message << "\n";
                return 2;
            }
        }
        out << queue << ": "
            << (guarded ? "already guarded" : "guarded: it prints through " + device)
            << "; new jobs wait for their codes\n";
    }
    Report report(out, queue);
    int status = check(*connection, command, &report);
    return command.action == GuardAction::Guard && status != 2 ? 0 : status;
}
