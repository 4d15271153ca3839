// Printing from a scenario: `print` and what became of the job, and the checks of the jobs,
// `expect jobs N` and `expect job ...`, read back from the server.
#include "host/scenario/Commands.h"

#include "host/ShownCodes.h"

#include <chrono>
#include <map>
#include <thread>

namespace scenario {

namespace {

void print(CommandContext& context, const Words& w) {
    w.need(1);
    if (context.prompt() != nullptr) {
        fail("print can't be pressed while the prompt is open");
    }
    DialogState& d = context.dialog();
    if (d.dialog == nullptr) {
        fail("there is no dialog yet (load first)");
    }
    PrintDialog::Press press = context.pressPrint();
    Outcomes& outcomes = context.outcomes();
    outcomes.status = press.status;
    outcomes.printed = press.printed;
    std::ostream& out = context.out();
    out << "      print: status " << press.status << ", "
        << (press.printed ? "printed" : "not printed") << "\n";
    if (!press.jobSubmitted) {
        return;
    }
    out << "      job: " << press.job.line << "\n";
    if (!press.job.sent) {
        return;
    }
    ++outcomes.jobsSent;
    d.lastJobId = press.job.jobId;
    // What the server holds, not what was sent.
    std::map<std::string, std::string> held;
    CupsFailure failure;
    // On the connection the job went on, when the printer kept one.
    std::unique_ptr<CupsConnection> fresh;
    CupsConnection* connection = d.printerRef != nullptr ? d.printerRef->connection() : nullptr;
    if (connection == nullptr) {
        fresh = CupsConnection::open(d.server, &failure);
        connection = fresh.get();
    } else {
        connection->renewDeadline();
    }
    std::vector<std::string> codes;
    for (const AccountingCode& code : kAccountingCodes) {
        codes.push_back(code.attribute);
    }
    if (connection == nullptr ||
        !connection->jobAttributes(press.job.jobId, &held, &failure, codes)) {
        out << "      job " << press.job.jobUri << ": " << failure.message << "\n";
        return;
    }
    out << "      job " << press.job.jobUri << ":";
    bool any = false;
    for (const AccountingCode& code : kAccountingCodes) {
        auto found = held.find(code.attribute);
        if (found != held.end()) {
            out << (any ? ", " : " ") << code.attribute << " \""
                << shownCode(found->second, concealedAttribute(context, code.attribute)) << "\"";
            any = true;
        }
    }
    out << (any ? "\n" : " no accounting attributes\n");
}

void expectJobs(CommandContext& context, const Words& w) {
    w.need(3);
    long expected = numberOf(w[2]);
    int sent = context.outcomes().jobsSent;
    context.check(sent == expected, "jobs " + w[2], std::to_string(sent));
}

void expectJob(CommandContext& context, const Words& w) {
    DialogState& d = context.dialog();
    bool state = w.size() == 4 && w[2] == "state";
    bool attribute = (w.size() == 5 && w[3] == "=") || (w.size() == 4 && w[3] == "missing");
    if (!state && !attribute) {
        w.usageError();
    }
    if (d.lastJobId == 0) {
        context.check(false, "a job", "no job sent yet");
        return;
    }
    std::map<std::string, std::string> held;
    CupsFailure failure;
    std::unique_ptr<CupsConnection> connection = CupsConnection::open(d.server, &failure);
    if (connection == nullptr || !connection->jobAttributes(d.lastJobId, &held, &failure)) {
        context.check(false, "the job's attributes", failure.message);
        return;
    }
    if (state) {
        // A job moves on by itself: wait for the state, up to the server's timeout.
        auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<int>(d.server.timeoutSeconds * 1000));
        while (held["job-state"] != w[3] && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (!connection->jobAttributes(d.lastJobId, &held, &failure)) {
                break;
            }
        }
        context.check(held["job-state"] == w[3], "job state " + w[3], held["job-state"]);
        return;
    }
    bool concealed = concealedAttribute(context, w[2]);
    auto found = held.find(w[2]);
    std::string got = found == held.end() ? "missing" : quotedCode(found->second, concealed);
    if (w[3] == "missing") {
        context.check(found == held.end(), w[2] + " missing", got);
    } else {
        context.check(found != held.end() && found->second == w[4],
                      w[2] + " = \"" + shownCode(w[4], concealed) + "\"", got);
    }
}

const Command kCommands[] = {
    {"print", CommandGroup::Dialog, print},
    {"expect jobs N", CommandGroup::Check, expectJobs},
    {"expect job ATTR = VALUE|missing | expect job state STATE", CommandGroup::Check, expectJob},
};

} // namespace

std::span<const Command> jobCommands() {
    return kCommands;
}

} // namespace scenario
