// libcups marks its PPD calls deprecated in favour of IPP Everywhere, but a queue's PPD is what
// the print dialog and the pane's gate read.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include "host/printing/CupsClient.h"

#include <cups/cups.h>
#include <cups/ppd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// libcups asks this before it would prompt for a password: never.
const char* noPassword(const char*, http_t*, const char*, const char*, void*) {
    return nullptr;
}

// Called when a wait on the server reaches the timeout: stop waiting.
int giveUp(http_t*, void* userData) {
    *static_cast<bool*>(userData) = true;
    return 0;
}

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

std::unique_ptr<CupsConnection> CupsConnection::open(const CupsServer& server,
                                                     CupsFailure* failure) {
    cupsSetPasswordCB2(noPassword, nullptr);
    std::unique_ptr<CupsConnection> connection(new CupsConnection());
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
    // The other requests libcups makes on its own (cupsGetPPD3's redirects) go here too.
    cupsSetServer(connection->address_.c_str());
    int milliseconds = static_cast<int>(server.timeoutSeconds * 1000);
    connection->http_ =
        httpConnect2(connection->host_.c_str(), connection->port_, nullptr, AF_UNSPEC,
                     HTTP_ENCRYPTION_IF_REQUESTED, 1, milliseconds, nullptr);
    if (connection->http_ == nullptr) {
        failure->status = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
        failure->message = "cannot reach the print server " + connection->address_ + ": " +
                           whyUnreachable(connection->host_, connection->port_, milliseconds);
        return nullptr;
    }
    httpSetTimeout(connection->http_, server.timeoutSeconds, giveUp, &connection->timedOut_);
    return connection;
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
    const char* detail = cupsLastErrorString();
    if (failure->status == IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED) {
        // The server asked for a password, and the dialog never gives one.
        failure->status = IPP_STATUS_ERROR_NOT_AUTHORIZED;
        detail = "the server asks for a password";
    }
    failure->message =
        what + ": " + ippStatusName(failure->status) +
        (detail != nullptr && *detail != '\0' ? std::string(" (") + detail + ")" : std::string());
    return false;
}

bool CupsConnection::queues(std::vector<QueueInfo>* out, CupsFailure* failure) {
    static const char* const kWanted[] = {"printer-name", "printer-make-and-model", "printer-state",
                                          "printer-state-message", "printer-is-accepting-jobs"};
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  sizeof kWanted / sizeof kWanted[0], nullptr, kWanted);
    ipp_t* response = cupsDoRequest(http_, request, "/");
    if (response == nullptr || cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        ippDelete(response);
        return failed(failure, "the queues of " + address_);
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

bool CupsConnection::queue(const std::string& name, QueueInfo* out, CupsFailure* failure) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 printerUri(name).c_str());
    ipp_t* response = cupsDoRequest(http_, request, ("/printers/" + name).c_str());
    if (response == nullptr || cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        ippDelete(response);
        return failed(failure, "the queue " + name);
    }
    out->name = name;
    out->makeAndModel = textOf(response, "printer-make-and-model");
    out->stateMessage = textOf(response, "printer-state-message");
    ipp_attribute_t* state = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM);
    out->state = state != nullptr ? ippGetInteger(state, 0) : 0;
    ipp_attribute_t* accepting =
        ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    out->accepting = accepting != nullptr && ippGetBoolean(accepting, 0) != 0;
    ippDelete(response);
    return true;
}

bool CupsConnection::fetchPPD(const std::string& queue, const std::string& path,
                              CupsFailure* failure) {
    char buffer[4096];
    std::snprintf(buffer, sizeof buffer, "%s", path.c_str());
    time_t modified = 0;
    http_status_t status = cupsGetPPD3(http_, queue.c_str(), &modified, buffer, sizeof buffer);
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
                 job.userName.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr,
                 job.jobName.c_str());
    for (const auto& [name, value] : job.nameAttributes) {
        ippAddString(request, IPP_TAG_JOB, IPP_TAG_NAME, name.c_str(), nullptr, value.c_str());
    }
    ipp_t* response = cupsDoRequest(http_, request, resource.c_str());
    ipp_attribute_t* id =
        response != nullptr ? ippFindAttribute(response, "job-id", IPP_TAG_INTEGER) : nullptr;
    if (response == nullptr || cupsLastError() > IPP_STATUS_OK_CONFLICTING || id == nullptr) {
        ippDelete(response);
        return failed(failure, "Create-Job on " + job.queue);
    }
    receipt->jobId = ippGetInteger(id, 0);
    receipt->jobUri = textOf(response, "job-uri");
    ippDelete(response);

    // Send-Document, as libcups makes it for this job on this connection.
    bool sent =
        cupsStartDocument(http_, job.queue.c_str(), receipt->jobId, job.documentName.c_str(),
                          job.documentFormat.c_str(), 1) == HTTP_STATUS_CONTINUE;
    for (size_t at = 0; sent && at < job.document.size();) {
        size_t chunk = std::min<size_t>(job.document.size() - at, 65536);
        sent = cupsWriteRequestData(http_, job.document.data() + at, chunk) == HTTP_STATUS_CONTINUE;
        at += chunk;
    }
    ipp_status_t finished = cupsFinishDocument(http_, job.queue.c_str());
    bool ok = sent && finished <= IPP_STATUS_OK_CONFLICTING;
    if (ok) {
        return true;
    }
    failed(failure, "Send-Document to " + job.queue);
    // Nothing half made is left on the server: the job without its document goes.
    if (!timedOut_) {
        ipp_t* cancel = ippNewRequest(IPP_OP_CANCEL_JOB);
        ippAddString(cancel, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
        ippAddInteger(cancel, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", receipt->jobId);
        ippAddString(cancel, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                     job.userName.c_str());
        ippDelete(cupsDoRequest(http_, cancel, resource.c_str()));
    }
    return false;
}

bool CupsConnection::jobAttributes(int jobId, std::map<std::string, std::string>* out,
                                   CupsFailure* failure) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", port_,
                     "/jobs/%d", jobId);
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "all");
    ipp_t* response = cupsDoRequest(http_, request, "/jobs/");
    if (response == nullptr || cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        ippDelete(response);
        return failed(failure, "job " + std::to_string(jobId));
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
