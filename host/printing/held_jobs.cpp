#include "host/printing/HeldJobs.h"

#include "host/HostText.h"
#include "host/ShownText.h"
#include "host/printing/QueueJobs.h"

#include <cups/ipp.h>

#include <map>

std::string shownName(const HeldJob& job) {
    return shownText(job.name);
}

std::string shownQueue(const HeldJob& job) {
    return shownText(job.queue);
}

HeldJobRelease::HeldJobRelease(CupsServer server, const Printer& printer, HeldJob job)
    : server_(std::move(server)), printer_(printer), job_(std::move(job)) {}

std::string needsCodesLine(const HeldJob& job) {
    return hostText("%1 prints only with its accounting codes: choose an accounting mode and "
                    "give them, then Print",
                    {shownQueue(job)});
}

JobOutcome HeldJobRelease::submit(const PrintDialog& dialog) {
    lackedCodes_ = false;
    JobAccounting accounting = jobAccountingFor(
        dialog.settings(), dialog.paneWatchesPrint() ? PaneState::Wired : PaneState::Unwired,
        printer_.kind());
    if (accounting.refused) {
        return refusedJob(accounting.reason);
    }
    const char* codes[2] = {nullptr, nullptr};
    for (const JobAttribute& attribute : accounting.attributes) {
        codes[attribute.name == "job-account-id" ? 1 : 0] = attribute.value.c_str();
    }
    // The queue holds or guards its jobs until they have every code it passes on: it is never
    // given one without them.
    if (!checkCodes(codesNeededByPPD(printer_.ppdPath()), codes[0], codes[1]).pass()) {
        lackedCodes_ = true;
        return refusedJob(needsCodesLine(job_));
    }
    CupsFailure failure;
    std::unique_ptr<CupsConnection> connection = CupsConnection::open(server_, &failure);
    if (connection == nullptr) {
        return jobNotPrinted(failure.status, failure.message);
    }
    QueueInfo info;
    QueueSupport support;
    if (!connection->queue(job_.queue, &info, &failure, &support)) {
        return jobNotPrinted(failure.status, failure.message);
    }
    std::string dropped = codeQueueWouldDrop(accounting, support, job_.queue);
    if (!dropped.empty()) {
        return refusedJob(dropped);
    }
    std::vector<std::pair<std::string, std::string>> attributes;
    for (const JobAttribute& attribute : accounting.attributes) {
        attributes.emplace_back(attribute.name, attribute.value);
    }
    if (!connection->releaseJob(job_.id, attributes, &failure)) {
        // An error, or no answer, does not say the release was not applied: what the job is
        // now, asked on a fresh connection, does.
        connection.reset();
        return afterFailedRelease(attributes, failure);
    }
    released_ = true;
    JobOutcome outcome;
    outcome.sent = true;
    outcome.jobId = job_.id;
    // The job read back: the server holds the codes as they were sent, and no longer holds it.
    std::map<std::string, std::string> stored;
    if (connection->jobAttributes(job_.id, &stored, &failure)) {
        for (const auto& [name, value] : attributes) {
            if (stored[name] != value) {
                outcome.line =
                    hostText("Released “%1” on %2, but the server kept %3 other than sent",
                             {shownName(job_), shownQueue(job_), name});
                return outcome;
            }
        }
    }
    outcome.line =
        hostText("Released “%1” on %2 with accounting codes", {shownName(job_), shownQueue(job_)});
    return outcome;
}

JobOutcome HeldJobRelease::afterFailedRelease(
    const std::vector<std::pair<std::string, std::string>>& attributes,
    const CupsFailure& failure) {
    CupsFailure again;
    std::unique_ptr<CupsConnection> fresh = CupsConnection::open(server_, &again);
    std::map<std::string, std::string> now;
    std::vector<std::string> wanted = {"job-state", "job-hold-until"};
    for (const auto& [name, value] : attributes) {
        wanted.push_back(name);
    }
    if (fresh == nullptr || !fresh->jobAttributes(job_.id, &now, &again, wanted)) {
        unknown_ = true;
        return jobNotPrinted(failure.status,
                             failure.message + "; " +
                                 hostText("whether “%1” on %2 was released is not known: the "
                                          "server could not be asked",
                                          {shownName(job_), shownQueue(job_)}));
    }
    bool codesKept = true;
    for (const auto& [name, value] : attributes) {
        codesKept = codesKept && now[name] == value;
    }
    bool held = now["job-state"] == "pending-held";
    if (held || !codesKept) {
        return jobNotPrinted(failure.status, failure.message + "; " +
                                                 hostText("“%1” on %2 still waits for its codes",
                                                          {shownName(job_), shownQueue(job_)}));
    }
    released_ = true;
    JobOutcome outcome;
    outcome.sent = true;
    outcome.jobId = job_.id;
    outcome.line = hostText("Released “%1” on %2 with accounting codes (the server's answer was "
                            "lost, but it took them)",
                            {shownName(job_), shownQueue(job_)});
    return outcome;
}

JobOutcome cancelHeldJob(const CupsServer& server, const HeldJob& job) {
    CupsFailure failure;
    std::unique_ptr<CupsConnection> connection = CupsConnection::open(server, &failure);
    if (connection == nullptr || !connection->cancel(job.queue, job.id, &failure)) {
        return jobNotPrinted(failure.status, failure.message);
    }
    JobOutcome outcome;
    outcome.jobId = job.id;
    outcome.line =
        hostText("Cancelled “%1” on %2: it will not print", {shownName(job), shownQueue(job)});
    return outcome;
}

bool waitsForCodes(const UserJob& job, const std::string& user, CodesNeeded needed) {
    // The server lists the user's own jobs when asked; the owner is checked all the same.
    return job.owner == user && job.documents > 0 && !job.incoming && job.state == "pending-held" &&
           job.holdUntil == "indefinite" &&
           !checkCodes(needed, job.userCode.c_str(), job.accountCode.c_str()).pass();
}

HeldState heldState(const CupsServer& server, const HeldJob& job, std::string* line) {
    CupsFailure failure;
    std::unique_ptr<CupsConnection> connection = CupsConnection::open(server, &failure);
    std::map<std::string, std::string> attributes;
    if (connection == nullptr) {
        return HeldState::Unknown;
    }
    if (!connection->jobAttributes(job.id, &attributes, &failure, {"job-state"})) {
        if (failure.status == IPP_STATUS_ERROR_NOT_FOUND) {
            *line =
                hostText("“%1” on %2 is gone from the server", {shownName(job), shownQueue(job)});
            return HeldState::Gone;
        }
        return HeldState::Unknown;
    }
    const std::string& state = attributes["job-state"];
    if (state == "pending-held") {
        return HeldState::Waiting;
    }
    *line = state == "canceled" || state == "aborted"
                ? hostText("“%1” on %2 was cancelled elsewhere", {shownName(job), shownQueue(job)})
                : hostText("“%1” on %2 was released elsewhere", {shownName(job), shownQueue(job)});
    return HeldState::Gone;
}

JobEnd releasedJobEnd(CupsConnection& connection, const HeldJob& job, std::string* line) {
    std::map<std::string, std::string> attributes;
    CupsFailure failure;
    connection.renewDeadline();
    if (!connection.jobAttributes(
            job.id, &attributes, &failure,
            {"job-state", "job-state-reasons", "job-printer-state-message", "job-hold-until"})) {
        return failure.status == IPP_STATUS_ERROR_NOT_FOUND ? JobEnd::Gone : JobEnd::Unknown;
    }
    const std::string& state = attributes["job-state"];
    std::string message = shownText(attributes["job-printer-state-message"], 200);
    std::string reasons = shownText(attributes["job-state-reasons"], 200);
    std::string why = !message.empty() ? message : reasons;
    if (state == "completed") {
        *line = hostText("Printed “%1” on %2", {shownName(job), shownQueue(job)});
        return JobEnd::Printed;
    }
    if (state == "canceled" || state == "aborted") {
        if (state == "canceled") {
            *line = hostText("Not printed: “%1” on %2 was cancelled (%3)",
                             {shownName(job), shownQueue(job), why});
            return JobEnd::Cancelled;
        }
        *line = hostText("Not printed: “%1” on %2 was stopped by the server (%3)",
                         {shownName(job), shownQueue(job), why});
        return JobEnd::Aborted;
    }
    if (state == "pending-held" && attributes["job-hold-until"] == "indefinite") {
        *line = hostText("“%1” on %2 waits for its codes again (%3)",
                         {shownName(job), shownQueue(job), why});
        return JobEnd::HeldAgain;
    }
    return JobEnd::Pending;
}
