// Jobs that another application sent to an accounting queue which holds every new job until its
// codes are given: releasing one with the codes the pane's settings call for (the Print button
// of a dialog opened for the job), cancelling one, and telling whether one still waits.
#pragma once

#include "host/PrintDialog.h"
#include "host/printing/CupsClient.h"
#include "host/printing/JobAccounting.h"
#include "host/printing/Printer.h"

#include <string>
#include <vector>

struct HeldJob {
    int id = 0;
    std::string queue;
    std::string name; // the job's name: the document's, as the application gave it
};

// What a job of a wired queue may be released without: a dialog the user printed from with
// accounting off releases the job as it stands; the agent acting alone never does.
enum class WithoutCodes { Release, Refuse };

class HeldJobRelease : public JobSink {
  public:
    HeldJobRelease(CupsServer server, const Printer& printer, HeldJob job, WithoutCodes rule);
    // Set-Job-Attributes with the codes and job-hold-until no-hold, in one request, then the
    // job read back.
    JobOutcome submit(const PrintDialog& dialog) override;

    // The last press found no codes to release the job with, under WithoutCodes::Refuse.
    bool lackedCodes() const { return lackedCodes_; }
    bool released() const { return released_; }

  private:
    CupsServer server_;
    const Printer& printer_;
    HeldJob job_;
    WithoutCodes rule_;
    bool lackedCodes_ = false;
    bool released_ = false;
};

// Cancel-Job; the line says what became of the job, and jobId is set only when it is cancelled.
JobOutcome cancelHeldJob(const CupsServer& server, const HeldJob& job);

// The job is this user's, waits held with job-hold-until indefinite and carries no codes yet.
bool waitsForCodes(const UserJob& job, const std::string& user);

enum class HeldState { Waiting, Gone, Unknown };
// Whether the job still waits for its codes; when gone, a line saying what became of it
// (released or cancelled elsewhere). Unknown when the server could not be asked.
HeldState heldState(const CupsServer& server, const HeldJob& job, std::string* line);
