// Sends the dialog's jobs to a CUPS queue: the document (or a test page), the job's name and
// user, and the accounting attributes the pane's settings call for (JobAccounting.h).
#pragma once

#include "host/dialog/PrintDialog.h"
#include "host/printing/CupsClient.h"
#include "host/printing/JobAccounting.h"
#include "host/printing/Printer.h"

#include <string>
#include <vector>

class QueueJobs : public JobSink {
  public:
    // documentPath empty: the host's test page.
    QueueJobs(CupsServer server, const Printer& printer, std::string documentPath);
    JobOutcome submit(const PrintDialog& dialog) override;

    const CupsServer& server() const { return server_; }
    int jobsSent() const { return sent_; }
    // The attributes the last job was sent with; the codes in it are those of the ticket.
    const std::vector<JobAttribute>& lastAttributes() const { return lastAttributes_; }

  private:
    CupsServer server_;
    const Printer& printer_;
    std::string documentPath_;
    int sent_ = 0;
    std::vector<JobAttribute> lastAttributes_;
};

// Why the queue would not carry one of the job's codes to its printer (its PPD lacks the
// cupsJobAccount keyword); empty when it carries them all.
std::string codeQueueWouldDrop(const JobAccounting& accounting, const QueueSupport& support,
                               const std::string& queue);
// A job refused for what the pane's settings hold: the line gives the reason alone.
JobOutcome refusedJob(const std::string& why);
// A job the server or the document stopped: the line gives the reason and the IPP status.
JobOutcome jobNotPrinted(int status, const std::string& why);

// The MIME type a document's first bytes show: PDF, PostScript, plain text, or none known. A
// character cut off at the end of the bytes does not count against plain text.
std::string documentFormatOf(const std::string& bytes);
