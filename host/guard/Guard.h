// The accounting guard: a CUPS backend in front of a Quorv queue's real one, the last step of
// every job. A job reaches the printer only with each code its queue passes on; any other job
// is held (CUPS_BACKEND_HOLD) with one line saying which code it waits for, until the
// accounting agent gives it its codes. The queue's device URI is "quorv-accounting:REAL-URI".
//
// These are the guard's rules, shared by the backend, the administrator's command and the
// agent, which must agree on what a usable code is.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The guard's URI scheme, and so its program's name in CUPS's backend folder.
inline constexpr const char* kGuardScheme = "quorv-accounting";

// The codes a queue passes on to its printer: those its PPD names with *cupsJobAccountingUserId
// and *cupsJobAccountId. A PPD that can't be read calls for both.
struct CodesNeeded {
    bool userId = true;
    bool accountId = true;
};
CodesNeeded codesNeededByPPD(const std::string& ppdPath);

// What keeps a code from the printer: nothing, or it is missing (or empty), holds a control
// character (C0, DEL or C1), or is not UTF-8.
enum class CodeProblem { None, Missing, ControlCharacter, NotUtf8 };
CodeProblem codeProblem(std::string_view code);
inline bool codeUsable(std::string_view code) {
    return codeProblem(code) == CodeProblem::None;
}

// What keeps each needed code of a job from the printer.
struct CodesFound {
    CodeProblem userId = CodeProblem::None;
    CodeProblem accountId = CodeProblem::None;
    bool pass() const { return userId == CodeProblem::None && accountId == CodeProblem::None; }
};
// A code not given is null; a code the queue does not need is not looked at.
CodesFound checkCodes(CodesNeeded needed, const char* userId, const char* accountId);

// The job's codes as CUPS hands them to a backend: its options (argv[5]), parsed by libcups.
struct CodeCheck {
    bool passes = false;
    std::string reason; // when it does not: "the account ID is missing", ...
};
CodeCheck checkJobCodes(const char* options, CodesNeeded needed);

// The one line a held job's message gives, from the reason.
std::string heldMessage(const std::string& reason);

// The backend the guard hands a job to. CUPS runs a backend that is not world-readable and
// world-executable as root; the guard runs as lp and refuses such a backend rather than run it
// with other rights than CUPS would.
struct RealBackend {
    bool usable = false;
    std::string uri;     // the device URI behind the guard's scheme
    std::string program; // SERVERBIN/backend/SCHEME
    std::string problem; // when not usable: one sentence for the administrator
};
RealBackend findRealBackend(const std::string& deviceUri, const std::string& serverBin);

// Whether CUPS runs a backend with this file mode as root rather than as lp.
bool runsAsRoot(unsigned mode);

// Whether a server takes a job's owner on the client's word: a queue whose URIs need no
// authentication (its uri-authentication-supported "none" or "requesting-user-name").
bool ownerOnClientsWord(const std::vector<std::string>& authentication);
