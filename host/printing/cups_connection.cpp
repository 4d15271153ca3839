// A connection to a CUPS server: its address, encryption and deadline, the requests sent on it
// and how their failures read; the options that choose the server.
#include "host/printing/CupsClient.h"

#include "host/printing/IppValues.h"
#include "host/printing/Passwords.h"

#include <cups/cups.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

namespace {

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

int CupsConnection::millisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(left.count(), 1));
}

std::string decodedQueue(const std::string& path) {
    std::string out;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '%') {
            if (i + 2 >= path.size() || !std::isxdigit(static_cast<unsigned char>(path[i + 1])) ||
                !std::isxdigit(static_cast<unsigned char>(path[i + 2]))) {
                return path;
            }
            out += static_cast<char>(std::stoi(path.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += path[i];
        }
    }
    return out;
}

std::string CupsConnection::queueResource(const std::string& queue) {
    // As it stands: libcups percent-encodes a resource when it sends it.
    return "/printers/" + queue;
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

ipp_t* CupsConnection::exchangeAtOnce(ipp_t* request, const std::string& resource,
                                      const std::string& what, CupsFailure* failure) {
    httpClearFields(http_);
    httpSetField(http_, HTTP_FIELD_CONTENT_TYPE, "application/ipp");
    httpSetLength(http_, ippLength(request));
    bool sent = httpPost(http_, resource.c_str()) == 0;
    ipp_state_t state = IPP_STATE_IDLE;
    while (sent && (state = ippWrite(http_, request)) != IPP_STATE_DATA) {
        sent = state != IPP_STATE_ERROR;
    }
    http_status_t status = HTTP_STATUS_ERROR;
    if (sent) {
        while ((status = httpUpdate(http_)) == HTTP_STATUS_CONTINUE) {
        }
    }
    if (status == HTTP_STATUS_OK) {
        ipp_t* response = ippNew();
        while ((state = ippRead(http_, response)) != IPP_STATE_DATA && state != IPP_STATE_ERROR) {
        }
        if (state == IPP_STATE_DATA && ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING) {
            ippDelete(request);
            return response;
        }
        ippDelete(response);
    }
    // The usual way, on a connection made afresh, says what went wrong.
    httpFlush(http_);
    httpReconnect2(http_, millisecondsUntil(deadline_), nullptr);
    ippSetState(request, IPP_STATE_IDLE);
    return exchange(request, resource, what, failure);
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

// A request to the server as a whole (its subscriptions), for the connection's user.
ipp_t* CupsConnection::serverRequest(int operation) const {
    ipp_t* request = ippNewRequest(static_cast<ipp_op_t>(operation));
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 "ipp://localhost/");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 user_.c_str());
    return request;
}

void CupsConnection::renewDeadline() {
    timedOut_ = false;
    deadline_ = std::chrono::steady_clock::now() +
                std::chrono::milliseconds(static_cast<long long>(timeout_ * 1000));
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
