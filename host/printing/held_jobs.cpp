#include "host/printing/HeldJobs.h"

#include "host/HostText.h"
#include "host/printing/QueueJobs.h"

#include <cups/ipp.h>

#include <map>

HeldJobRelease::HeldJobRelease(CupsServer server, const Printer& printer, HeldJob job,
                               WithoutCodes rule)
    : server_(std::move(server)), printer_(printer), job_(std::move(job)), rule_(rule) {}

JobOutcome HeldJobRelease::submit(const PrintDialog& dialog) {
    lackedCodes_ = false;
    JobAccounting accounting = jobAccountingFor(
        dialog.settings(), dialog.paneWatchesPrint() ? PaneState::Wired : PaneState::Unwired,
        printer_.kind());
    if (accounting.refused) {
        return refusedJob(accounting.reason);
    }
    if (accounting.attributes.empty() && rule_ == WithoutCodes::Refuse) {
        lackedCodes_ = true;
        return refusedJob(hostText("accounting is off"));
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
    std::vector<std::pair<std::string, std::string>> codes;
    for (const JobAttribute& attribute : accounting.attributes) {
        codes.emplace_back(attribute.name, attribute.value);
    }
    if (!connection->releaseJob(job_.id, codes, &failure)) {
        return jobNotPrinted(failure.status, failure.message);
    }
    released_ = true;
    JobOutcome outcome;
    outcome.sent = true;
    outcome.jobId = job_.id;
    // The job read back: the server holds the codes as they were sent, and no longer holds it.
    std::map<std::string, std::string> stored;
    if (connection->jobAttributes(job_.id, &stored, &failure)) {
        for (const auto& [name, value] : codes) {
            if (stored[name] != value) {
                outcome.line =
                    hostText("Released “%1” on %2, but the server kept %3 other than sent",
                             {job_.name, job_.queue, name});
                return outcome;
            }
        }
    }
    outcome.line =
        codes.empty()
            ? hostText("Released “%1” on %2 without accounting codes", {job_.name, job_.queue})
            : hostText("Released “%1” on %2 with accounting codes", {job_.name, job_.queue});
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
    outcome.line = hostText("Cancelled “%1” on %2: it will not print", {job.name, job.queue});
    return outcome;
}

bool waitsForCodes(const UserJob& job, const std::string& user) {
    // The server lists the user's own jobs when asked; the owner is checked all the same.
    return job.owner == user && job.state == "pending-held" && job.holdUntil == "indefinite" &&
           job.userCode.empty() && job.accountCode.empty();
}

HeldState heldState(const CupsServer& server, const HeldJob& job, std::string* line) {
    CupsFailure failure;
    std::unique_ptr<CupsConnection> connection = CupsConnection::open(server, &failure);
    std::map<std::string, std::string> attributes;
    if (connection == nullptr) {
        return HeldState::Unknown;
    }
    if (!connection->jobAttributes(job.id, &attributes, &failure)) {
        if (failure.status == IPP_STATUS_ERROR_NOT_FOUND) {
            *line = hostText("“%1” on %2 is gone from the server", {job.name, job.queue});
            return HeldState::Gone;
        }
        return HeldState::Unknown;
    }
    const std::string& state = attributes["job-state"];
    if (state == "pending-held") {
        return HeldState::Waiting;
    }
    *line = state == "canceled" || state == "aborted"
                ? hostText("“%1” on %2 was cancelled elsewhere", {job.name, job.queue})
                : hostText("“%1” on %2 was released elsewhere", {job.name, job.queue});
    return HeldState::Gone;
}
