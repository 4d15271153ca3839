// The host's talk with a CUPS server over IPP (libcups): the queues, a queue's PPD, a job with
// its accounting attributes, and the job as the server holds it. Every wait is bounded by the
// server's timeout; nothing here ever asks for a password.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

typedef struct _http_s http_t;

struct CupsServer {
    std::string address; // "host:port"; empty: the libcups default (CUPS_SERVER, client.conf)
    double timeoutSeconds = 10;
};

// Why a request failed: the IPP status (ipp_status_t) and a line for the user.
struct CupsFailure {
    int status = 0;
    std::string message;
};

struct QueueInfo {
    std::string name;
    std::string makeAndModel;
    std::string stateMessage;
    int state = 0; // 3 idle, 4 processing, 5 stopped
    bool accepting = false;
};

struct JobRequest {
    std::string queue;
    std::string jobName;
    std::string userName;
    std::string documentName;
    std::string documentFormat; // a MIME type
    std::string document;       // the document's bytes
    // Job attributes sent as name values, in this order.
    std::vector<std::pair<std::string, std::string>> nameAttributes;
};

struct JobReceipt {
    int jobId = 0;
    std::string jobUri;
};

class CupsConnection {
  public:
    // Null with a failure when the server can't be reached within its timeout.
    static std::unique_ptr<CupsConnection> open(const CupsServer& server, CupsFailure* failure);
    ~CupsConnection();
    CupsConnection(const CupsConnection&) = delete;
    CupsConnection& operator=(const CupsConnection&) = delete;

    // "host:port" as connected.
    const std::string& address() const { return address_; }

    bool queues(std::vector<QueueInfo>* out, CupsFailure* failure);
    bool queue(const std::string& name, QueueInfo* out, CupsFailure* failure);
    // Writes the queue's PPD to the file at path. A queue without one (a raw queue) answers
    // false with status client-error-not-found.
    bool fetchPPD(const std::string& queue, const std::string& path, CupsFailure* failure);
    // Create-Job, then Send-Document. A job whose document could not be sent is cancelled.
    bool submit(const JobRequest& request, JobReceipt* receipt, CupsFailure* failure);
    // The job's attributes as the server returns them: a name and its value(s) as text.
    bool jobAttributes(int jobId, std::map<std::string, std::string>* out, CupsFailure* failure);

  private:
    CupsConnection() = default;
    std::string printerUri(const std::string& queue) const;
    bool failed(CupsFailure* failure, const std::string& what);

    http_t* http_ = nullptr;
    std::string host_;
    int port_ = 0;
    std::string address_;
    double timeout_ = 10;
    bool timedOut_ = false;
};

// The name of an IPP status, such as "client-error-not-found".
std::string ippStatusName(int status);
