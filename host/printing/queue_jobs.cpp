#include "host/printing/QueueJobs.h"

#include "host/printing/TestPage.h"

#include <cups/cups.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

// A job that did not go: the line says why, with the IPP status when the reason does not
// already name it.
JobOutcome notPrinted(int status, const std::string& why) {
    JobOutcome outcome;
    outcome.status = status;
    std::string name = ippStatusName(status);
    outcome.line = "Not printed: " + why +
                   (why.find(name) == std::string::npos ? " (" + name + ")" : std::string());
    return outcome;
}

// A job the host refuses itself, for what the pane's settings hold: the reason alone.
JobOutcome refused(const std::string& why) {
    JobOutcome outcome;
    outcome.status = IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES;
    outcome.line = "Not printed: " + why;
    return outcome;
}

std::string baseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool readDocument(const std::string& path, std::string* bytes, std::string* why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *why = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        *why = "cannot read " + path;
        return false;
    }
    *bytes = text.str();
    return true;
}

} // namespace

std::string documentFormatOf(const std::string& bytes) {
    if (bytes.rfind("%PDF-", 0) == 0) {
        return "application/pdf";
    }
    if (bytes.rfind("%!", 0) == 0) {
        return "application/postscript";
    }
    CFStringRef text =
        CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
                                static_cast<CFIndex>(bytes.size()), kCFStringEncodingUTF8, false);
    bool plain = text != nullptr && bytes.find('\0') == std::string::npos;
    if (text != nullptr) {
        CFRelease(text);
    }
    return plain ? "text/plain" : "application/octet-stream";
}

QueueJobs::QueueJobs(CupsServer server, const Printer& printer, std::string documentPath)
    : server_(std::move(server)), printer_(printer), documentPath_(std::move(documentPath)) {}

JobOutcome QueueJobs::submit(const PrintDialog& dialog) {
    const std::string& queue = printer_.name();
    JobAccounting accounting = jobAccountingFor(
        dialog.settings(), dialog.paneWatchesPrint() ? PaneState::Wired : PaneState::Unwired,
        printer_.kind());
    if (accounting.refused) {
        return refused(accounting.reason);
    }
    JobRequest request;
    request.queue = queue;
    request.userName = cupsUser();
    if (documentPath_.empty()) {
        request.document = testPagePdf(queue);
        request.documentName = "Accounting pane test page";
    } else {
        std::string why;
        if (!readDocument(documentPath_, &request.document, &why)) {
            return notPrinted(IPP_STATUS_ERROR_DOCUMENT_ACCESS, why);
        }
        request.documentName = baseName(documentPath_);
    }
    request.jobName = request.documentName;
    request.documentFormat = documentFormatOf(request.document);
    for (const JobAttribute& attribute : accounting.attributes) {
        request.nameAttributes.emplace_back(attribute.name, attribute.value);
    }

    CupsFailure failure;
    std::unique_ptr<CupsConnection> connection = CupsConnection::open(server_, &failure);
    if (connection == nullptr) {
        return notPrinted(failure.status, failure.message);
    }
    QueueInfo info;
    if (!connection->queue(queue, &info, &failure)) {
        return notPrinted(failure.status, failure.message);
    }
    if (info.state == IPP_PSTATE_STOPPED) {
        return notPrinted(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
                          queue + " is stopped" +
                              (info.stateMessage.empty() ? "" : ": " + info.stateMessage));
    }
    JobReceipt receipt;
    if (!connection->submit(request, &receipt, &failure)) {
        return notPrinted(failure.status, failure.message);
    }
    ++sent_;
    lastAttributes_ = accounting.attributes;
    JobOutcome outcome;
    outcome.sent = true;
    outcome.jobId = receipt.jobId;
    outcome.jobUri = receipt.jobUri;
    outcome.line =
        "Sent to " + queue +
        (accounting.attributes.empty() ? " without accounting codes" : " with accounting codes");
    return outcome;
}
