// libcups marks its PPD calls deprecated in favour of IPP Everywhere, but a queue's PPD is what
// the print dialog and the pane's gate read.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include "host/printing/CupsClient.h"

#include "host/printing/Passwords.h"

#include <cups/cups.h>
#include <cups/ppd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A value as the server sent it: a single string as it stands (ippAttributeString would escape
// quotes and backslashes), anything else in IPP's text form.
std::string attributeText(ipp_attribute_t* attribute) {
    ipp_tag_t tag = ippGetValueTag(attribute);
    bool stringTag = tag == IPP_TAG_TEXT || tag == IPP_TAG_NAME || tag == IPP_TAG_TEXTLANG ||
                     tag == IPP_TAG_NAMELANG || tag == IPP_TAG_KEYWORD || tag == IPP_TAG_URI ||
                     tag == IPP_TAG_MIMETYPE || tag == IPP_TAG_CHARSET || tag == IPP_TAG_LANGUAGE;
    if (stringTag && ippGetCount(attribute) == 1) {
        const char* value = ippGetString(attribute, 0, nullptr);
        return value != nullptr ? value : "";
    }
    char text[4096];
    ippAttributeString(attribute, text, sizeof text);
    return text;
}

std::string textOf(ipp_t* response, const char* name) {
    ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
    return attribute == nullptr ? std::string() : attributeText(attribute);
}

// Why a connection to the server fails, found with a connection of our own: httpConnect2
// does not keep errno.
std::string whyUnreachable(const std::string& host, int port, int milliseconds) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        return "no such host";
    }
    std::string why = "no answer";
    int fd = socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0) {
        if (connect(fd, found->ai_addr, found->ai_addrlen) == 0) {
            why = "it does not speak IPP";
        } else if (errno == EINPROGRESS) {
            pollfd wait = {fd, POLLOUT, 0};
            int error = 0;
            socklen_t length = sizeof error;
            if (poll(&wait, 1, milliseconds) == 1 &&
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0) {
                why = error != 0 ? std::strerror(error) : "it does not speak IPP";
            } else {
                why = "no answer within " + std::to_string(milliseconds / 1000) + " s";
            }
        } else {
            why = std::strerror(errno);
        }
        close(fd);
    }
    freeaddrinfo(found);
    return why;
}

} // namespace

std::string ippStatusName(int status) {
    return ippErrorString(static_cast<ipp_status_t>(status));
}

const char* encryptionName(Encryption encryption) {
    switch (encryption) {
    case Encryption::Never:
        return "never";
    case Encryption::IfRequested:
        return "if-requested";
    case Encryption::Required:
        return "required";
    case Encryption::Always:
        return "always";
    case Encryption::Default:
        break;
    }
    return "default";
}

bool parseEncryption(const std::string& word, Encryption* out) {
    for (Encryption e :
         {Encryption::Never, Encryption::IfRequested, Encryption::Required, Encryption::Always}) {
        if (word == encryptionName(e)) {
            *out = e;
            return true;
        }
    }
    return false;
}

namespace {

http_encryption_t httpEncryption(Encryption encryption) {
    switch (encryption) {
    case Encryption::Never:
        return HTTP_ENCRYPTION_NEVER;
    case Encryption::IfRequested:
        return HTTP_ENCRYPTION_IF_REQUESTED;
    case Encryption::Required:
        return HTTP_ENCRYPTION_REQUIRED;
    case Encryption::Always:
        return HTTP_ENCRYPTION_ALWAYS;
    case Encryption::Default:
        break;
    }
    // libcups's own setting: CUPS_ENCRYPTION, else client.conf's Encryption, as lp follows it.
    return cupsEncryption();
}

int millisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(left.count(), 1));
}

// How often a wait on the server looks at the deadline.
constexpr double kWaitSlice = 0.25;

} // namespace

std::unique_ptr<CupsConnection> CupsConnection::open(const CupsServer& server,
                                                     CupsFailure* failure) {
    std::unique_ptr<CupsConnection> connection(new CupsConnection());
    // The job's user, for every request and for the password the server may ask.
    cupsSetUser(server.user.empty() ? nullptr : server.user.c_str());
    connection->user_ = cupsUser();
    std::string address = server.address.empty() ? cupsServer() : server.address;
    size_t colon = address.rfind(':');
    connection->host_ = address;
    connection->port_ = ippPort();
    if (address[0] != '/' && colon != std::string::npos &&
        address.find(']', colon) == std::string::npos) {
        connection->host_ = address.substr(0, colon);
        connection->port_ = std::atoi(address.c_str() + colon + 1);
    }
    connection->address_ =
        address[0] == '/' ? address : connection->host_ + ":" + std::to_string(connection->port_);
    connection->timeout_ = server.timeoutSeconds;
    connection->deadline_ =
        std::chrono::steady_clock::now() +
        std::chrono::milliseconds(static_cast<long long>(server.timeoutSeconds * 1000));
    // The other requests libcups makes on its own go here too, encrypted alike.
    http_encryption_t encryption = httpEncryption(server.encryption);
    cupsSetServer(connection->address_.c_str());
    cupsSetEncryption(encryption);
    int milliseconds = millisecondsUntil(connection->deadline_);
    // Required and Always never send a request in clear: with Required libcups upgrades the
    // connection to TLS before the first request, and fails when the server can't.
    connection->http_ = httpConnect2(connection->host_.c_str(), connection->port_, nullptr,
                                     AF_UNSPEC, encryption, 1, milliseconds, nullptr);
    if (connection->http_ == nullptr) {
        bool wantsTls =
            encryption == HTTP_ENCRYPTION_REQUIRED || encryption == HTTP_ENCRYPTION_ALWAYS;
        std::string why = whyUnreachable(connection->host_, connection->port_, milliseconds);
        if (wantsTls && why == "it does not speak IPP") {
            failure->status = IPP_STATUS_ERROR_CUPS_PKI;
            failure->message =
                "cannot reach the print server " + connection->address_ +
                " encrypted (encryption " +
                encryptionName(encryption == HTTP_ENCRYPTION_ALWAYS ? Encryption::Always
                                                                    : Encryption::Required) +
                "): it offers no TLS";
            return nullptr;
        }
        failure->status = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
        failure->message = "cannot reach the print server " + connection->address_ + ": " + why;
        return nullptr;
    }
    httpSetTimeout(connection->http_, kWaitSlice, keepWaiting, connection.get());
    return connection;
}

// Called each time a wait on the server has lasted another slice: go on until the deadline.
int CupsConnection::keepWaiting(http_t*, void* data) {
    auto* connection = static_cast<CupsConnection*>(data);
    if (std::chrono::steady_clock::now() < connection->deadline_) {
        return 1;
    }
    connection->timedOut_ = true;
    return 0;
}

CupsConnection::~CupsConnection() {
    if (http_ != nullptr) {
        httpClose(http_);
    }
}

std::string CupsConnection::printerUri(const std::string& queue) const {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", port_,
                     "/printers/%s", queue.c_str());
    return uri;
}

bool CupsConnection::failed(CupsFailure* failure, const std::string& what) {
    if (timedOut_) {
        failure->status = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
        failure->message = what + ": the print server " + address_ + " did not answer within " +
                           std::to_string(static_cast<int>(timeout_)) + " s";
        return false;
    }
    failure->status = cupsLastError();
    std::string detail = cupsLastErrorString() != nullptr ? cupsLastErrorString() : "";
    int lost = httpError(http_);
    if (lost != 0 && lost != EAGAIN && failure->status >= IPP_STATUS_ERROR_INTERNAL &&
        failure->status != IPP_STATUS_ERROR_SERVICE_UNAVAILABLE) {
        // libcups reports a dropped connection as an internal error with errno's text.
        failure->status = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
        failure->message = what + ": the connection to the print server " + address_ +
                           " was lost (" + std::strerror(lost) + ")";
        return false;
    }
    if (failure->status == IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED ||
        failure->status == IPP_STATUS_ERROR_NOT_AUTHENTICATED) {
        failure->status = IPP_STATUS_ERROR_NOT_AUTHORIZED;
        switch (passwords::outcome()) {
        case passwords::Outcome::Cancelled:
            detail = "the password of " + passwords::askedUser() + " was asked for: cancelled";
            break;
        case passwords::Outcome::Refused:
            detail = "the server refused the password of " + passwords::askedUser() + " " +
                     std::to_string(kPasswordAttempts) + " times";
            break;
        default:
            detail = "the server asks for a password";
            break;
        }
    }
    failure->message = what + ": " + ippStatusName(failure->status) +
                       (detail.empty() ? std::string() : " (" + detail + ")");
    return false;
}

ipp_t* CupsConnection::exchange(ipp_t* request, const std::string& resource,
                                const std::string& what, CupsFailure* failure) {
    passwords::beginRequest();
    ipp_t* response = cupsDoRequest(http_, request, resource.c_str());
    ipp_status_t status = cupsLastError();
    passwords::endRequest(status == IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED ||
                          status == IPP_STATUS_ERROR_NOT_AUTHENTICATED ||
                          status == IPP_STATUS_ERROR_NOT_AUTHORIZED);
    if (response == nullptr || status > IPP_STATUS_OK_CONFLICTING) {
        ippDelete(response);
        failed(failure, what);
        return nullptr;
    }
    return response;
}

bool CupsConnection::queues(std::vector<QueueInfo>* out, CupsFailure* failure) {
    static const char* const kWanted[] = {"printer-name", "printer-make-and-model", "printer-state",
                                          "printer-state-message", "printer-is-accepting-jobs"};
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  sizeof kWanted / sizeof kWanted[0], nullptr, kWanted);
    ipp_t* response = exchange(request, "/", "the queues of " + address_, failure);
    if (response == nullptr) {
        return false;
    }
    out->clear();
    QueueInfo info;
    bool have = false;
    // The printers come one after another, each in its own group.
    for (ipp_attribute_t* a = ippFirstAttribute(response);; a = ippNextAttribute(response)) {
        if (a == nullptr || ippGetName(a) == nullptr) {
            if (have && !info.name.empty()) {
                out->push_back(info);
            }
            info = QueueInfo();
            have = false;
            if (a == nullptr) {
                break;
            }
            continue;
        }
        if (ippGetGroupTag(a) != IPP_TAG_PRINTER) {
            continue;
        }
        have = true;
        std::string name = ippGetName(a);
        if (name == "printer-name") {
            info.name = ippGetString(a, 0, nullptr);
        } else if (name == "printer-make-and-model") {
            info.makeAndModel = ippGetString(a, 0, nullptr);
        } else if (name == "printer-state") {
            info.state = ippGetInteger(a, 0);
        } else if (name == "printer-state-message") {
            info.stateMessage = ippGetString(a, 0, nullptr);
        } else if (name == "printer-is-accepting-jobs") {
            info.accepting = ippGetBoolean(a, 0) != 0;
        }
    }
    ippDelete(response);
    return true;
}

bool CupsConnection::queue(const std::string& name, QueueInfo* out, CupsFailure* failure,
                           QueueSupport* support) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 printerUri(name).c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 user_.c_str());
    ipp_t* response = exchange(request, "/printers/" + name, "the queue " + name, failure);
    if (response == nullptr) {
        return false;
    }
    out->name = name;
    out->makeAndModel = textOf(response, "printer-make-and-model");
    out->stateMessage = textOf(response, "printer-state-message");
    ipp_attribute_t* state = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM);
    out->state = state != nullptr ? ippGetInteger(state, 0) : 0;
    ipp_attribute_t* accepting =
        ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    out->accepting = accepting != nullptr && ippGetBoolean(accepting, 0) != 0;
    if (support != nullptr) {
        auto boolean = [&](const char* attribute) {
            ipp_attribute_t* a = ippFindAttribute(response, attribute, IPP_TAG_BOOLEAN);
            return a != nullptr && ippGetBoolean(a, 0) != 0;
        };
        support->accountId = boolean("job-account-id-supported");
        support->accountingUserId = boolean("job-accounting-user-id-supported");
        support->documentFormats.clear();
        if (ipp_attribute_t* formats =
                ippFindAttribute(response, "document-format-supported", IPP_TAG_MIMETYPE)) {
            for (int i = 0; i < ippGetCount(formats); ++i) {
                support->documentFormats.push_back(ippGetString(formats, i, nullptr));
            }
        }
    }
    ippDelete(response);
    return true;
}

bool CupsConnection::fetchPPD(const std::string& queue, int fd, CupsFailure* failure) {
    passwords::beginRequest();
    http_status_t status = cupsGetFd(http_, ("/printers/" + queue + ".ppd").c_str(), fd);
    passwords::endRequest(status == HTTP_STATUS_UNAUTHORIZED);
    if (status == HTTP_STATUS_OK) {
        return true;
    }
    if (status == HTTP_STATUS_NOT_FOUND) {
        failure->status = IPP_STATUS_ERROR_NOT_FOUND;
        failure->message = "the queue " + queue + " has no PPD";
        return false;
    }
    return failed(failure, "the PPD of " + queue);
}

bool CupsConnection::submit(const JobRequest& job, JobReceipt* receipt, CupsFailure* failure) {
    std::string uri = printerUri(job.queue);
    std::string resource = "/printers/" + job.queue;
    ipp_t* request = ippNewRequest(IPP_OP_CREATE_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 user_.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr,
                 job.jobName.c_str());
    for (const auto& [name, value] : job.nameAttributes) {
        ippAddString(request, IPP_TAG_JOB, IPP_TAG_NAME, name.c_str(), nullptr, value.c_str());
    }
    // The codes are collected: a queue that holds new jobs for an accounting agent to give them
    // their codes prints this one at once.
    ippAddString(request, IPP_TAG_JOB, IPP_TAG_KEYWORD, "job-hold-until", nullptr, "no-hold");
    ipp_t* response = exchange(request, resource, "Create-Job on " + job.queue, failure);
    ipp_attribute_t* id =
        response != nullptr ? ippFindAttribute(response, "job-id", IPP_TAG_INTEGER) : nullptr;
    if (id == nullptr) {
        if (response != nullptr) {
            ippDelete(response);
            failure->status = IPP_STATUS_ERROR_INTERNAL;
            failure->message = "Create-Job on " + job.queue + ": the server gave no job id";
        }
        return false;
    }
    receipt->jobId = ippGetInteger(id, 0);
    receipt->jobUri = textOf(response, "job-uri");
    ippDelete(response);

    // Send-Document, as libcups makes it for this job on this connection, the document read
    // and sent a slice at a time.
    passwords::beginRequest();
    bool sent =
        cupsStartDocument(http_, job.queue.c_str(), receipt->jobId, job.documentName.c_str(),
                          job.documentFormat.c_str(), 1) == HTTP_STATUS_CONTINUE;
    std::string readError;
    if (job.documentFd >= 0) {
        std::vector<char> slice(65536);
        while (sent) {
            ssize_t n = read(job.documentFd, slice.data(), slice.size());
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                readError = std::strerror(errno);
                break;
            }
            if (n == 0) {
                break;
            }
            sent = cupsWriteRequestData(http_, slice.data(), static_cast<size_t>(n)) ==
                   HTTP_STATUS_CONTINUE;
        }
    } else {
        for (size_t at = 0; sent && at < job.document.size();) {
            size_t chunk = std::min<size_t>(job.document.size() - at, 65536);
            sent = cupsWriteRequestData(http_, job.document.data() + at, chunk) ==
                   HTTP_STATUS_CONTINUE;
            at += chunk;
        }
    }
    if (!readError.empty()) {
        // The request is abandoned half-sent: the connection can't be used again.
        passwords::endRequest(false);
        failure->status = IPP_STATUS_ERROR_DOCUMENT_ACCESS;
        failure->message = "Send-Document to " + job.queue + ": the document could not be read (" +
                           readError + ")";
        return false;
    }
    if (!sent && !timedOut_) {
        // The server stopped taking the document: the connection is gone.
        passwords::endRequest(false);
        int error = httpError(http_);
        failure->status = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
        failure->message = "Send-Document to " + job.queue +
                           ": the connection to the print server " + address_ + " was lost (" +
                           (error != 0 ? std::strerror(error) : "closed by the server") + ")";
        return false;
    }
    // cupsFinishDocument, with the response looked at: a connection that ends before the server
    // answered leaves cupsLastError() at the status of the request before, a success.
    httpWrite2(http_, "", 0);
    ipp_t* answer = cupsGetResponse(http_, resource.c_str());
    ipp_status_t finished = cupsLastError();
    passwords::endRequest(finished == IPP_STATUS_ERROR_NOT_AUTHORIZED);
    if (answer != nullptr && finished <= IPP_STATUS_OK_CONFLICTING) {
        ippDelete(answer);
        return true;
    }
    ippDelete(answer);
    if (answer == nullptr && !timedOut_ && finished <= IPP_STATUS_OK_CONFLICTING) {
        int error = httpError(http_);
        failure->status = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
        failure->message = "Send-Document to " + job.queue +
                           ": the connection to the print server " + address_ +
                           " was lost before it answered" +
                           (error != 0 ? std::string(" (") + std::strerror(error) + ")" : "");
        return false;
    }
    return failed(failure, "Send-Document to " + job.queue);
}

bool CupsConnection::cancel(const std::string& queue, int jobId, CupsFailure* failure) {
    ipp_t* request = ippNewRequest(IPP_OP_CANCEL_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 printerUri(queue).c_str());
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 user_.c_str());
    ipp_t* response = exchange(request, "/jobs/", "Cancel-Job " + std::to_string(jobId), failure);
    ippDelete(response);
    return response != nullptr;
}

bool CupsConnection::userJobs(std::vector<UserJob>* out, CupsFailure* failure) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 "ipp://localhost/");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 user_.c_str());
    ippAddBoolean(request, IPP_TAG_OPERATION, "my-jobs", 1);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr,
                 "not-completed");
    static const char* const wanted[] = {
        "job-id",         "job-printer-uri",        "job-name",       "job-state",
        "job-hold-until", "job-accounting-user-id", "job-account-id", "job-originating-user-name"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(wanted)), nullptr, wanted);
    ipp_t* response = exchange(request, "/", "Get-Jobs", failure);
    if (response == nullptr) {
        return false;
    }
    out->clear();
    UserJob job;
    auto finish = [&] {
        if (job.id != 0) {
            out->push_back(job);
        }
        job = UserJob();
    };
    for (ipp_attribute_t* a = ippFirstAttribute(response); a != nullptr;
         a = ippNextAttribute(response)) {
        const char* name = ippGetName(a);
        if (name == nullptr) {
            finish(); // a separator between jobs
            continue;
        }
        if (ippGetGroupTag(a) != IPP_TAG_JOB) {
            continue;
        }
        std::string attribute = name;
        if (attribute == "job-id") {
            job.id = ippGetInteger(a, 0);
        } else if (attribute == "job-printer-uri") {
            std::string uri = attributeText(a);
            size_t at = uri.rfind("/printers/");
            job.queue = at == std::string::npos ? uri : uri.substr(at + 10);
        } else if (attribute == "job-name") {
            job.name = attributeText(a);
        } else if (attribute == "job-originating-user-name") {
            job.owner = attributeText(a);
        } else if (attribute == "job-state") {
            job.state = ippEnumString("job-state", ippGetInteger(a, 0));
        } else if (attribute == "job-hold-until") {
            job.holdUntil = attributeText(a);
        } else if (attribute == "job-accounting-user-id") {
            job.userCode = attributeText(a);
        } else if (attribute == "job-account-id") {
            job.accountCode = attributeText(a);
        }
    }
    finish();
    ippDelete(response);
    std::sort(out->begin(), out->end(),
              [](const UserJob& a, const UserJob& b) { return a.id < b.id; });
    return true;
}

// A request about one job, named by its URI, for the connection's user.
ipp_t* CupsConnection::jobRequest(int operation, int jobId) const {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", port_,
                     "/jobs/%d", jobId);
    ipp_t* request = ippNewRequest(static_cast<ipp_op_t>(operation));
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 user_.c_str());
    return request;
}

bool CupsConnection::releaseJob(int jobId,
                                const std::vector<std::pair<std::string, std::string>>& attributes,
                                CupsFailure* failure) {
    ipp_t* request = jobRequest(IPP_OP_SET_JOB_ATTRIBUTES, jobId);
    for (const auto& [name, value] : attributes) {
        ippAddString(request, IPP_TAG_JOB, IPP_TAG_NAME, name.c_str(), nullptr, value.c_str());
    }
    ippAddString(request, IPP_TAG_JOB, IPP_TAG_KEYWORD, "job-hold-until", nullptr, "no-hold");
    ipp_t* response =
        exchange(request, "/jobs/", "Set-Job-Attributes " + std::to_string(jobId), failure);
    ippDelete(response);
    return response != nullptr;
}

bool CupsConnection::jobAttributes(int jobId, std::map<std::string, std::string>* out,
                                   CupsFailure* failure) {
    ipp_t* request = jobRequest(IPP_OP_GET_JOB_ATTRIBUTES, jobId);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "all");
    ipp_t* response = exchange(request, "/jobs/", "job " + std::to_string(jobId), failure);
    if (response == nullptr) {
        return false;
    }
    out->clear();
    for (ipp_attribute_t* a = ippFirstAttribute(response); a != nullptr;
         a = ippNextAttribute(response)) {
        if (ippGetName(a) != nullptr && ippGetGroupTag(a) == IPP_TAG_JOB) {
            (*out)[ippGetName(a)] =
                ippGetValueTag(a) == IPP_TAG_ENUM && std::strcmp(ippGetName(a), "job-state") == 0
                    ? ippEnumString("job-state", ippGetInteger(a, 0))
                    : attributeText(a);
        }
    }
    ippDelete(response);
    return true;
}

void CupsConnection::renewDeadline() {
    timedOut_ = false;
    deadline_ = std::chrono::steady_clock::now() +
                std::chrono::milliseconds(static_cast<long long>(timeout_ * 1000));
}

namespace {

// The events an agent follows: its user's jobs, and queues that come, change and go.
const char* const kSubscribedEvents[] = {"job-created", "job-state-changed", "printer-added",
                                         "printer-modified", "printer-deleted"};

} // namespace

bool CupsConnection::subscribe(int leaseSeconds, int* subscriptionId, CupsFailure* failure) {
    *subscriptionId = 0;
    ipp_t* request = ippNewRequest(IPP_OP_CREATE_PRINTER_SUBSCRIPTIONS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 "ipp://localhost/");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 user_.c_str());
    ippAddString(request, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-pull-method", nullptr,
                 "ippget");
    ippAddStrings(request, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-events",
                  static_cast<int>(std::size(kSubscribedEvents)), nullptr, kSubscribedEvents);
    ippAddInteger(request, IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration",
                  leaseSeconds);
    ipp_t* response = exchange(request, "/", "Create-Printer-Subscriptions", failure);
    if (response == nullptr) {
        return false;
    }
    ipp_attribute_t* id = ippFindAttribute(response, "notify-subscription-id", IPP_TAG_INTEGER);
    *subscriptionId = id != nullptr ? ippGetInteger(id, 0) : 0;
    ippDelete(response);
    if (*subscriptionId == 0) {
        failure->status = IPP_STATUS_ERROR_INTERNAL;
        failure->message = "Create-Printer-Subscriptions: the server gave no subscription id";
        return false;
    }
    return true;
}

bool CupsConnection::renewSubscription(int subscriptionId, int leaseSeconds, CupsFailure* failure) {
    ipp_t* request = ippNewRequest(IPP_OP_RENEW_SUBSCRIPTION);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 "ipp://localhost/");
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id",
                  subscriptionId);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 user_.c_str());
    ippAddInteger(request, IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration",
                  leaseSeconds);
    ipp_t* response = exchange(request, "/", "Renew-Subscription", failure);
    ippDelete(response);
    return response != nullptr;
}

bool CupsConnection::cancelSubscription(int subscriptionId, CupsFailure* failure) {
    ipp_t* request = ippNewRequest(IPP_OP_CANCEL_SUBSCRIPTION);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 "ipp://localhost/");
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id",
                  subscriptionId);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 user_.c_str());
    ipp_t* response = exchange(request, "/", "Cancel-Subscription", failure);
    ippDelete(response);
    return response != nullptr;
}

bool CupsConnection::notifications(int subscriptionId, int* sequence, std::vector<CupsEvent>* out,
                                   CupsFailure* failure) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_NOTIFICATIONS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 "ipp://localhost/");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 user_.c_str());
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-ids",
                  subscriptionId);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-sequence-numbers",
                  *sequence + 1);
    ipp_t* response = exchange(request, "/", "Get-Notifications", failure);
    if (response == nullptr) {
        return false;
    }
    out->clear();
    CupsEvent event;
    auto finish = [&] {
        if (event.sequence > 0 && !event.event.empty()) {
            out->push_back(event);
            *sequence = std::max(*sequence, event.sequence);
        }
        event = CupsEvent();
    };
    for (ipp_attribute_t* a = ippFirstAttribute(response); a != nullptr;
         a = ippNextAttribute(response)) {
        const char* name = ippGetName(a);
        if (name == nullptr || ippGetGroupTag(a) != IPP_TAG_EVENT_NOTIFICATION) {
            finish();
            continue;
        }
        std::string attribute = name;
        if (attribute == "notify-sequence-number") {
            event.sequence = ippGetInteger(a, 0);
        } else if (attribute == "notify-subscribed-event") {
            event.event = attributeText(a);
        } else if (attribute == "notify-job-id") {
            event.jobId = ippGetInteger(a, 0);
        } else if (attribute == "printer-name") {
            event.printerName = attributeText(a);
        }
    }
    finish();
    ippDelete(response);
    return true;
}

ServerOption parseServerOption(int argc, char** argv, int* i, CupsServer* server) {
    std::string arg = argv[*i];
    bool known =
        arg == "--server" || arg == "--encryption" || arg == "--user" || arg == "--timeout";
    if (!known) {
        return ServerOption::NotMine;
    }
    if (*i + 1 >= argc) {
        return ServerOption::Bad;
    }
    std::string value = argv[++*i];
    if (arg == "--server") {
        server->address = value;
    } else if (arg == "--encryption") {
        if (!parseEncryption(value, &server->encryption)) {
            return ServerOption::Bad;
        }
    } else if (arg == "--user") {
        if (value.empty()) {
            return ServerOption::Bad;
        }
        server->user = value;
    } else {
        server->timeoutSeconds = std::atof(value.c_str());
        if (server->timeoutSeconds <= 0) {
            return ServerOption::Bad;
        }
    }
    return ServerOption::Taken;
}
