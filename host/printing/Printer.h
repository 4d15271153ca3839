// The printer a dialog shows: a PPD file of the user's, or a queue of a CUPS server whose PPD
// the host fetches and keeps in memory (an anonymous file, /proc/self/fd/N) for the printer's
// life. A queue the
// host can't ask (an unknown queue, a server that is down) is still a printer: it has no PPD,
// says why, and its jobs fail when Print is pressed.
#pragma once

#include "host/printing/CupsClient.h"
#include "host/printing/JobAccounting.h"

#include <memory>
#include <string>

class Printer {
  public:
    static std::unique_ptr<Printer> fromPPD(const std::string& path);
    static std::unique_ptr<Printer> fromQueue(const CupsServer& server, const std::string& queue);
    // The same on a connection already open, for a queue known to exist: only its PPD is
    // fetched.
    static std::unique_ptr<Printer> fromQueue(CupsConnection& connection, const std::string& queue);
    ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // The queue's name, or the PPD file's path.
    const std::string& name() const { return name_; }
    bool isQueue() const { return queue_; }
    // Empty when there is none (a raw queue, or one the server could not be asked about).
    const std::string& ppdPath() const { return ppdPath_; }
    // Why the queue has no PPD; empty when it has one or is a file.
    const std::string& problem() const { return problem_; }
    // The PPD could not be had for a reason that may pass (the server failed or did not
    // answer), not because the queue has none.
    bool fetchFailed() const { return fetchFailed_; }
    // The PPD's Manufacturer as the platform's PPD library reads it; empty when none.
    const std::string& manufacturer() const { return manufacturer_; }
    // A queue's connection to its server, kept open from the PPD's fetch for the jobs that
    // follow; null when there is none (a file, or it was dropped).
    CupsConnection* connection() const { return connection_.get(); }
    // After a failure the connection is not used again; the next job opens a new one.
    void dropConnection() const { connection_.reset(); }
    // An accounting printer is one the pane wires itself for: its PPD names "Quorv".
    PrinterKind kind() const {
        return manufacturer_ == "Quorv" ? PrinterKind::Accounting : PrinterKind::Other;
    }

  private:
    Printer() = default;
    void readManufacturer();

    std::string name_;
    bool queue_ = false;
    std::string ppdPath_;
    int fd_ = -1; // the fetched PPD's anonymous file
    mutable std::unique_ptr<CupsConnection> connection_;
    std::string problem_;
    bool fetchFailed_ = false;
    std::string manufacturer_;
};
