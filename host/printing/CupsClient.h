// The host's talk with a CUPS server over IPP (libcups): the queues, a queue's PPD, a job with
// its accounting attributes, and the job as the server holds it. Every connection follows the
// encryption asked for (libcups's own setting unless the user chose one), and every wait ends
// at the connection's deadline: a connection lasts at most the server's timeout. A server that
// asks for a password gets one from the PasswordSource in force (Passwords.h), or none.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

typedef struct _http_s http_t;

// How a connection is encrypted: as libcups's settings say (CUPS_ENCRYPTION, client.conf's
// Encryption), or as the user chose.
enum class Encryption { Default, Never, IfRequested, Required, Always };

// The word for each ("never", "if-requested", "required", "always"; "default").
const char* encryptionName(Encryption encryption);
// False for any other word.
bool parseEncryption(const std::string& word, Encryption* out);

struct CupsServer {
    std::string address; // "host:port"; empty: the libcups default (CUPS_SERVER, client.conf)
    double timeoutSeconds = 10;
    Encryption encryption = Encryption::Default;
    std::string user; // the job's user; empty: libcups's (CUPS_USER, the login)
};

// A command-line option of the programs that talk to the server (--server HOST:PORT,
// --encryption WORD, --user NAME, --timeout SECONDS), at argv[*i]: Taken (and *i moved past its
// value), NotMine for any other argument, Bad for a missing or wrong value.
enum class ServerOption { Taken, NotMine, Bad };
ServerOption parseServerOption(int argc, char** argv, int* i, CupsServer* server);

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
    std::vector<std::string> authentication; // uri-authentication-supported, from queues()
    long configChanged = 0; // printer-config-change-time: changes with the queue's setup or PPD
};

// What a queue would do with a job: whether it passes each code on to the printer (its PPD's
// cupsJobAccount keywords) and the document formats it takes.
struct QueueSupport {
    bool accountId = false;
    bool accountingUserId = false;
    std::vector<std::string> documentFormats;
};

// How a queue is set up, as an administrator sees it.
struct QueueSetup {
    std::string deviceUri;
    std::string holdDefault; // job-hold-until-default: "no-hold", "indefinite", ...
    std::string opPolicy;    // printer-op-policy: the cupsd.conf <Policy> the queue follows
    std::vector<std::string> authentication; // uri-authentication-supported, one per URI
    std::string configChanged;               // printer-config-change-time
};

struct JobRequest {
    std::string queue;
    std::string jobName;
    std::string documentName;
    std::string documentFormat; // a MIME type
    // The document: read from the file descriptor to its end when it is not negative, else
    // these bytes.
    int documentFd = -1;
    std::string document;
    // Job attributes sent as name values, in this order.
    std::vector<std::pair<std::string, std::string>> nameAttributes;
};

struct JobReceipt {
    int jobId = 0; // 0 until Create-Job succeeded
    std::string jobUri;
};

// A job of the user's that has not completed, as the server lists it.
struct UserJob {
    int id = 0;
    std::string queue;
    std::string name;
    std::string owner;     // job-originating-user-name; empty when the server hides it
    std::string state;     // "pending-held", "pending", "processing", ...
    std::string holdUntil; // "indefinite", "no-hold", ...; empty when the server gave none
    std::string userCode;  // job-accounting-user-id; empty when the job has none
    std::string accountCode;
    int documents = 0;     // number-of-documents received so far
    bool incoming = false; // job-state-reasons has job-incoming: more documents to come
};

// One event of a subscription: "job-created", "job-state-changed", "printer-added", ...
struct CupsEvent {
    int sequence = 0;
    std::string event;
    int jobId = 0;           // 0 for a queue's event
    std::string printerName; // the queue it is about, when the server says
};

class CupsConnection {
  public:
    // Null with a failure when the server can't be reached, or not with the encryption asked
    // for, within its timeout.
    static std::unique_ptr<CupsConnection> open(const CupsServer& server, CupsFailure* failure);
    ~CupsConnection();
    CupsConnection(const CupsConnection&) = delete;
    CupsConnection& operator=(const CupsConnection&) = delete;

    // "host:port" as connected.
    const std::string& address() const { return address_; }
    // The user the requests are made for.
    const std::string& user() const { return user_; }

    bool queues(std::vector<QueueInfo>* out, CupsFailure* failure);
    bool queue(const std::string& name, QueueInfo* out, CupsFailure* failure,
               QueueSupport* support = nullptr);
    bool queueSetup(const std::string& name, QueueSetup* out, CupsFailure* failure);
    // CUPS-Add-Modify-Printer on an existing queue: a new device URI (unless empty) and
    // job-hold-until default (unless empty). The server checks that a backend serves the URI.
    bool modifyQueue(const std::string& name, const std::string& deviceUri,
                     const std::string& holdDefault, CupsFailure* failure);
    // A file the server serves, such as "/admin/conf/cupsd.conf" (to an administrator).
    bool serverFile(const std::string& resource, std::string* out, CupsFailure* failure);
    // Writes the queue's PPD to the file descriptor. A queue without one (a raw queue) answers
    // false with status client-error-not-found; a PPD of more than kMaxPPDBytes (packed or
    // unpacked) is refused.
    bool fetchPPD(const std::string& queue, int fd, CupsFailure* failure);
    // Create-Job, then Send-Document, streaming the document. The receipt holds the job's id as
    // soon as it exists, also when a later step failed; the caller cancels such a job.
    bool submit(const JobRequest& request, JobReceipt* receipt, CupsFailure* failure);
    bool cancel(const std::string& queue, int jobId, CupsFailure* failure);
    // The user's jobs on every queue that have not completed, oldest first.
    bool userJobs(std::vector<UserJob>* out, CupsFailure* failure);
    // Gives a held job these attributes (name values) and releases it, in one request: the
    // server refuses another user's job.
    bool releaseJob(int jobId, const std::vector<std::pair<std::string, std::string>>& attributes,
                    CupsFailure* failure);
    // The job's attributes as the server returns them: a name and its value(s) as text; those
    // asked for ("all" by default).
    bool jobAttributes(int jobId, std::map<std::string, std::string>* out, CupsFailure* failure,
                       const std::vector<std::string>& wanted = {"all"});

    // A subscription to the server's job and queue events, for as long as the lease lasts
    // unless it is renewed: read by polling (ippget) when the recipient is empty, else pushed
    // to it ("dbus://": the server's D-Bus notifier). The id is 0 until it exists.
    bool subscribe(int leaseSeconds, const std::string& recipient, int* subscriptionId,
                   CupsFailure* failure);
    // The ways the server can push events (notify-schemes-supported): "dbus", ...
    bool notifySchemes(std::vector<std::string>* out, CupsFailure* failure);
    bool renewSubscription(int subscriptionId, int leaseSeconds, CupsFailure* failure);
    bool cancelSubscription(int subscriptionId, CupsFailure* failure);
    // The events after *sequence, oldest first; *sequence becomes the last one's number.
    bool notifications(int subscriptionId, int* sequence, std::vector<CupsEvent>* out,
                       CupsFailure* failure);

    // A connection kept open for long makes its next requests within a fresh timeout.
    void renewDeadline();

  private:
    CupsConnection() = default;
    std::string printerUri(const std::string& queue) const;
    // Get-Printer-Attributes of the queue, for the attributes named.
    struct _ipp_s* printerAttributes(const std::string& name, const char* const* wanted, int count,
                                     CupsFailure* failure);
    // The HTTP resource of a queue: "/printers/NAME" (libcups encodes it on the way).
    static std::string queueResource(const std::string& queue);
    static int millisecondsUntil(std::chrono::steady_clock::time_point deadline);
    struct _ipp_s* jobRequest(int operation, int jobId) const;
    struct _ipp_s* serverRequest(int operation) const;
    // Sends a request and returns the response, or null with the failure.
    struct _ipp_s* exchange(struct _ipp_s* request, const std::string& resource,
                            const std::string& what, CupsFailure* failure);
    // The same for a small request that is made often (a poll): sent at once, without first
    // waiting for the server's "100 Continue", which saves a round trip; anything unusual (a
    // password asked for, an error, a lost connection) goes the usual way.
    struct _ipp_s* exchangeAtOnce(struct _ipp_s* request, const std::string& resource,
                                  const std::string& what, CupsFailure* failure);
    bool failed(CupsFailure* failure, const std::string& what);
    static int keepWaiting(http_t* http, void* data);

    http_t* http_ = nullptr;
    std::string host_;
    int port_ = 0;
    std::string address_;
    std::string user_;
    double timeout_ = 10;
    std::chrono::steady_clock::time_point deadline_;
    bool timedOut_ = false;
};

// The largest PPD the host reads: a real one is well under 1 MB.
inline constexpr size_t kMaxPPDBytes = 2 << 20;

// A queue's name from its URI's path, which has it percent-encoded ("quorv-%C3%A9" for
// "quorv-é", "quorv-%2541" for "quorv-%41"), as RFC 3986 decodes it; a path that is not well
// encoded comes back as it stands.
std::string decodedQueue(const std::string& path);

// The name of an IPP status, such as "client-error-not-found".
std::string ippStatusName(int status);
