// Jobs that another application sent to an accounting queue which holds (or guards) its jobs
// until their codes are given: releasing one with the codes the pane's settings call for (the
// Print button of a dialog opened for the job), cancelling one, telling whether one still
// waits, and following one released until it ends.
#pragma once

#include "host/dialog/PrintDialog.h"
#include "host/guard/Guard.h"
#include "host/printing/CupsClient.h"
#include "host/printing/JobAccounting.h"
#include "host/printing/Printer.h"

#include <string>
#include <vector>

// A job as the server names it. The name and the queue are the server's words: shown only
// through shownName and shownQueue.
struct HeldJob {
    int id = 0;
    std::string queue;
    std::string name; // the job's name: the document's, as the application gave it
};
std::string shownName(const HeldJob& job);
std::string shownQueue(const HeldJob& job);

// Releases the job with the codes the dialog's settings give, and only with every code the
// queue passes on to its printer: such a queue never prints a job without them.
class HeldJobRelease : public JobSink {
  public:
    HeldJobRelease(CupsServer server, const Printer& printer, HeldJob job);
    // Set-Job-Attributes with the codes and job-hold-until no-hold, in one request, then the
    // job read back.
    JobOutcome submit(const PrintDialog& dialog) override;

    // The last press found no codes, or not every code the queue needs, to release the job with.
    bool lackedCodes() const { return lackedCodes_; }
    bool released() const { return released_; }
    // The release failed and the server could not be asked afterwards whether it took it.
    bool unknown() const { return unknown_; }

  private:
    JobOutcome
    afterFailedRelease(const std::vector<std::pair<std::string, std::string>>& attributes,
                       const CupsFailure& failure);

    CupsServer server_;
    const Printer& printer_;
    HeldJob job_;
    bool lackedCodes_ = false;
    bool released_ = false;
    bool unknown_ = false;
};

// What the window for a held job says from the start: the queue prints only with its codes.
std::string needsCodesLine(const HeldJob& job);

// Cancel-Job; the line says what became of the job, and jobId is set only when it is cancelled.
JobOutcome cancelHeldJob(const CupsServer& server, const HeldJob& job);

// The job is this user's, whole (its last document received: released before, the server
// would abort it for having none), waits held with job-hold-until indefinite (as the queue's
// default or the guard left it) and lacks a usable code that its queue needs.
bool waitsForCodes(const UserJob& job, const std::string& user, CodesNeeded needed);

enum class HeldState { Waiting, Gone, Unknown };
// Whether the job still waits for its codes; when gone, a line saying what became of it
// (released or cancelled elsewhere). Unknown when the server could not be asked.
HeldState heldState(const CupsServer& server, const HeldJob& job, std::string* line);

// What became of a job after its release.
enum class JobEnd {
    Pending,   // not ended yet: waiting for the printer, or printing
    Printed,   // completed
    Cancelled, // canceled, by someone or by the printer
    Aborted,   // aborted by the server
    HeldAgain, // held for its codes again (the guard found them wanting)
    Gone,      // the server knows the job no more
    Unknown,   // the server could not be asked
};
// The job's state on the connection's server; for an end, a line for the user saying what
// happened, with the server's reason when it gave one.
JobEnd releasedJobEnd(CupsConnection& connection, const HeldJob& job, std::string* line);
