// A server's queues: the list, one queue's attributes, its PPD.
// libcups marks its PPD calls deprecated in favour of IPP Everywhere, but a queue's PPD is what
// the print dialog and the pane's gate read.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include "host/printing/CupsClient.h"

#include "host/printing/IppValues.h"
#include "host/printing/Passwords.h"

#include <cups/cups.h>

#include <cerrno>
#include <cstring>
#include <iterator>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Every value of a multi-valued string attribute; none when the response lacks it.
std::vector<std::string> stringsOf(ipp_attribute_t* attribute) {
    std::vector<std::string> values;
    for (int i = 0; attribute != nullptr && i < ippGetCount(attribute); ++i) {
        values.push_back(ippGetString(attribute, i, nullptr));
    }
    return values;
}

} // namespace

ipp_t* CupsConnection::printerAttributes(const std::string& name, const char* const* wanted,
                                         int count, CupsFailure* failure) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 printerUri(name).c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 user_.c_str());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", count,
                  nullptr, wanted);
    return exchange(request, queueResource(name), "the queue " + name, failure);
}

bool CupsConnection::queues(std::vector<QueueInfo>* out, CupsFailure* failure) {
    static const char* const kWanted[] = {"printer-name",
                                          "printer-make-and-model",
                                          "printer-state",
                                          "printer-state-message",
                                          "printer-is-accepting-jobs",
                                          "uri-authentication-supported",
                                          "printer-config-change-time"};
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
        } else if (name == "printer-config-change-time") {
            info.configChanged = ippGetInteger(a, 0);
        } else if (name == "uri-authentication-supported") {
            info.authentication = stringsOf(a);
        }
    }
    ippDelete(response);
    return true;
}

bool CupsConnection::queue(const std::string& name, QueueInfo* out, CupsFailure* failure,
                           QueueSupport* support) {
    // Only what the host reads: a queue's whole description is several kilobytes.
    static const char* const kWanted[] = {
        "printer-make-and-model",     "printer-state",
        "printer-state-message",      "printer-is-accepting-jobs",
        "printer-config-change-time", "uri-authentication-supported",
        "job-account-id-supported",   "job-accounting-user-id-supported",
        "document-format-supported"};
    ipp_t* response =
        printerAttributes(name, kWanted, static_cast<int>(std::size(kWanted)), failure);
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
    ipp_attribute_t* changed =
        ippFindAttribute(response, "printer-config-change-time", IPP_TAG_INTEGER);
    out->configChanged = changed != nullptr ? ippGetInteger(changed, 0) : 0;
    out->authentication =
        stringsOf(ippFindAttribute(response, "uri-authentication-supported", IPP_TAG_KEYWORD));
    if (support != nullptr) {
        auto boolean = [&](const char* attribute) {
            ipp_attribute_t* a = ippFindAttribute(response, attribute, IPP_TAG_BOOLEAN);
            return a != nullptr && ippGetBoolean(a, 0) != 0;
        };
        support->accountId = boolean("job-account-id-supported");
        support->accountingUserId = boolean("job-accounting-user-id-supported");
        support->documentFormats =
            stringsOf(ippFindAttribute(response, "document-format-supported", IPP_TAG_MIMETYPE));
    }
    ippDelete(response);
    return true;
}

bool CupsConnection::fetchPPD(const std::string& queue, int fd, CupsFailure* failure) {
    // As cupsGetFd, but reading no more than a PPD can be: a server that sends more (or a
    // compressed file that unpacks to more) is refused as soon as it passes the limit.
    std::string resource = queueResource(queue) + ".ppd";
    std::string what = "the PPD of " + queue;
    http_status_t status = HTTP_STATUS_ERROR;
    passwords::beginRequest();
    for (int attempt = 0; attempt < 4; ++attempt) {
        httpClearFields(http_);
        httpSetField(http_, HTTP_FIELD_AUTHORIZATION, httpGetAuthString(http_));
        if (httpGet(http_, resource.c_str()) != 0) {
            if (httpReconnect2(http_, millisecondsUntil(deadline_), nullptr) != 0) {
                break;
            }
            continue;
        }
        while ((status = httpUpdate(http_)) == HTTP_STATUS_CONTINUE) {
        }
        if (status != HTTP_STATUS_UNAUTHORIZED) {
            break;
        }
        httpFlush(http_);
        if (cupsDoAuthentication(http_, "GET", resource.c_str()) != 0) {
            break;
        }
    }
    passwords::endRequest(status == HTTP_STATUS_UNAUTHORIZED);
    if (status == HTTP_STATUS_NOT_FOUND) {
        httpFlush(http_);
        failure->status = IPP_STATUS_ERROR_NOT_FOUND;
        failure->message = "the queue " + queue + " has no PPD";
        return false;
    }
    if (status != HTTP_STATUS_OK) {
        httpFlush(http_);
        failure->status =
            timedOut_ ? IPP_STATUS_ERROR_SERVICE_UNAVAILABLE : IPP_STATUS_ERROR_INTERNAL;
        failure->message = timedOut_ ? what + ": the print server " + address_ +
                                           " did not answer within " +
                                           std::to_string(static_cast<int>(timeout_)) + " s"
                                     : what + ": the server answered " + httpStatus(status);
        return false;
    }
    auto tooLarge = [&] {
        // The rest is not read: the connection is made afresh for the next request.
        httpShutdown(http_);
        httpReconnect2(http_, millisecondsUntil(deadline_), nullptr);
        failure->status = IPP_STATUS_ERROR_INTERNAL;
        failure->message =
            what + " is larger than " + std::to_string(kMaxPPDBytes >> 20) + " MB, which no PPD is";
        return false;
    };
    if (httpGetLength2(http_) > static_cast<off_t>(kMaxPPDBytes)) {
        return tooLarge();
    }
    size_t total = 0;
    char buffer[32768];
    for (ssize_t n; (n = httpRead2(http_, buffer, sizeof buffer)) > 0;) {
        total += static_cast<size_t>(n);
        if (total > kMaxPPDBytes) {
            return tooLarge();
        }
        if (write(fd, buffer, static_cast<size_t>(n)) != n) {
            httpFlush(http_);
            failure->status = IPP_STATUS_ERROR_INTERNAL;
            failure->message = what + ": " + std::strerror(errno);
            return false;
        }
    }
    if (timedOut_ || httpGetState(http_) == HTTP_STATE_ERROR) {
        failure->status = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
        failure->message = what + ": the print server " + address_ + " stopped sending it";
        return false;
    }
    return true;
}

bool CupsConnection::queueSetup(const std::string& name, QueueSetup* out, CupsFailure* failure) {
    static const char* const kWanted[] = {"device-uri", "job-hold-until-default",
                                          "printer-op-policy", "uri-authentication-supported"};
    ipp_t* response =
        printerAttributes(name, kWanted, static_cast<int>(std::size(kWanted)), failure);
    if (response == nullptr) {
        return false;
    }
    out->deviceUri = textOf(response, "device-uri");
    out->holdDefault = textOf(response, "job-hold-until-default");
    out->opPolicy = textOf(response, "printer-op-policy");
    out->authentication =
        stringsOf(ippFindAttribute(response, "uri-authentication-supported", IPP_TAG_KEYWORD));
    ippDelete(response);
    return true;
}

bool CupsConnection::modifyQueue(const std::string& name, const std::string& deviceUri,
                                 const std::string& holdDefault, CupsFailure* failure) {
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 printerUri(name).c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 user_.c_str());
    if (!deviceUri.empty()) {
        ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr,
                     deviceUri.c_str());
    }
    if (!holdDefault.empty()) {
        ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "job-hold-until-default", nullptr,
                     holdDefault.c_str());
    }
    ipp_t* response = exchange(request, "/admin/", "changing the queue " + name, failure);
    ippDelete(response);
    return response != nullptr;
}

bool CupsConnection::serverFile(const std::string& resource, std::string* out,
                                CupsFailure* failure) {
    int fd = memfd_create("server-file", MFD_CLOEXEC);
    if (fd < 0) {
        failure->status = IPP_STATUS_ERROR_INTERNAL;
        failure->message = resource + ": no memory (" + std::strerror(errno) + ")";
        return false;
    }
    passwords::beginRequest();
    http_status_t status = cupsGetFd(http_, resource.c_str(), fd);
    passwords::endRequest(status == HTTP_STATUS_UNAUTHORIZED);
    if (status != HTTP_STATUS_OK) {
        close(fd);
        failure->status = status == HTTP_STATUS_NOT_FOUND ? IPP_STATUS_ERROR_NOT_FOUND
                          : status == HTTP_STATUS_UNAUTHORIZED || status == HTTP_STATUS_FORBIDDEN
                              ? IPP_STATUS_ERROR_NOT_AUTHORIZED
                              : IPP_STATUS_ERROR_INTERNAL;
        failure->message = resource + ": " + httpStatus(status);
        return false;
    }
    out->clear();
    char buffer[65536];
    lseek(fd, 0, SEEK_SET);
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
        out->append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}
