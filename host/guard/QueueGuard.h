// accounting-guard: the administrator's command that puts the accounting guard in front of a
// queue (its device URI becomes "quorv-accounting:REAL-URI" and new jobs are held until their
// codes are given), takes it away again, and checks what else the promise "nothing prints
// without its codes" relies on: the PPD's keywords, the codes' privacy and who owns a job.
#pragma once

#include "host/printing/CupsClient.h"

#include <iosfwd>
#include <string>
#include <vector>

enum class GuardAction { Guard, Unguard, Check };

struct GuardCommand {
    GuardAction action = GuardAction::Check;
    std::string queue;
    CupsServer server;
    std::string serverBin; // CUPS's ServerBin, where the backends are
};

// What the command does, and what it finds, one line each to out ("ok: ...", "missing: ...",
// "unknown: ..."). 0 when done and every check holds (guard and unguard: when done), 1 when a
// check found something missing or unknown, 2 when the queue could not be changed or read.
int runGuardCommand(const GuardCommand& command, std::ostream& out);

// The values a cupsd.conf <Policy NAME> keeps private (its JobPrivateValues, "default"
// spelled out), and whether its JobPrivateAccess lets only the owner and the system read them.
struct PolicyPrivacy {
    bool found = false; // the policy is in the file
    std::vector<std::string> privateValues;
    bool ownerOnly = true;
};
PolicyPrivacy policyPrivacy(const std::string& cupsdConf, const std::string& policy);
