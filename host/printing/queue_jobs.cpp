#include "host/printing/QueueJobs.h"

#include "host/HostText.h"

#include "host/printing/TestPage.h"

#include <cups/cups.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A descriptor closed when it goes out of scope.
struct FileDescriptor {
    int fd = -1;
    FileDescriptor() = default;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd >= 0) {
            close(fd);
        }
    }
};

std::string baseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// How many of a document's first bytes tell its format.
constexpr size_t kFormatPrefix = 8192;

// Opens the document for streaming and reads its first bytes. False with why it can't be read.
bool openDocument(const std::string& path, int* fd, std::string* prefix, std::string* why) {
    *fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (*fd < 0) {
        *why = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (fstat(*fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        *why = "cannot read " + path + ": " + std::strerror(S_ISDIR(st.st_mode) ? EISDIR : errno);
        return false;
    }
    prefix->resize(kFormatPrefix);
    ssize_t n = pread(*fd, prefix->data(), prefix->size(), 0);
    if (n < 0) {
        *why = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    prefix->resize(static_cast<size_t>(n));
    return true;
}

// The PPD keyword that lets a queue pass the attribute on to its printer.
const char* ppdKeywordFor(const std::string& attribute) {
    return attribute == "job-account-id" ? "*cupsJobAccountId: True"
                                         : "*cupsJobAccountingUserId: True";
}

// A job that exists on the server but could not be finished goes again, on a connection of its
// own (the first may be lost); the line says what became of it.
std::string cancelLeftJob(const CupsServer& server, const std::string& queue, int jobId) {
    CupsFailure failure;
    std::unique_ptr<CupsConnection> connection = CupsConnection::open(server, &failure);
    if (connection != nullptr && connection->cancel(queue, jobId, &failure)) {
        return "job " + std::to_string(jobId) + " was cancelled";
    }
    if (failure.status == IPP_STATUS_ERROR_NOT_FOUND ||
        failure.status == IPP_STATUS_ERROR_NOT_POSSIBLE) {
        return "job " + std::to_string(jobId) + " is gone from the server";
    }
    return "job " + std::to_string(jobId) +
           " may be left on the server (it could not be cancelled: " + failure.message + ")";
}

} // namespace

// A job that did not go: the line says why, with the IPP status when the reason does not
// already name it.
JobOutcome jobNotPrinted(int status, const std::string& why) {
    JobOutcome outcome;
    outcome.status = status;
    std::string name = ippStatusName(status);
    outcome.line =
        hostText("Not printed: %1",
                 {why + (why.find(name) == std::string::npos ? " (" + name + ")" : std::string())});
    return outcome;
}

// A job the host refuses itself, for what the pane's settings hold: the reason alone.
JobOutcome refusedJob(const std::string& why) {
    JobOutcome outcome;
    outcome.status = IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES;
    outcome.line = hostText("Not printed: %1", {why});
    return outcome;
}

std::string codeQueueWouldDrop(const JobAccounting& accounting, const QueueSupport& support,
                               const std::string& queue) {
    for (const JobAttribute& attribute : accounting.attributes) {
        bool passed =
            attribute.name == "job-account-id" ? support.accountId : support.accountingUserId;
        if (!passed) {
            return queue + " would not pass " +
                   (attribute.name == "job-account-id" ? "the account ID" : "the user ID") +
                   " on to the printer (" + attribute.name +
                   "-supported is not true): its PPD lacks " + ppdKeywordFor(attribute.name);
        }
    }
    return {};
}

std::string documentFormatOf(const std::string& prefix) {
    if (prefix.rfind("%PDF-", 0) == 0) {
        return "application/pdf";
    }
    if (prefix.rfind("%!", 0) == 0) {
        return "application/postscript";
    }
    // A prefix may end inside a character: what is cut off there does not count. (Measured by
    // a length, not a shortened copy: GCC 12 at -O3 warns falsely on resizing a copy.)
    size_t length = prefix.size();
    for (size_t back = 1; back <= 3 && back <= prefix.size(); ++back) {
        auto c = static_cast<unsigned char>(prefix[prefix.size() - back]);
        if ((c & 0xC0) == 0xC0) {
            size_t need = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
            if (back < need) {
                length = prefix.size() - back;
            }
            break;
        }
        if ((c & 0x80) == 0) {
            break;
        }
    }
    CFStringRef text =
        CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(prefix.data()),
                                static_cast<CFIndex>(length), kCFStringEncodingUTF8, false);
    bool plain = text != nullptr && prefix.find('\0') == std::string::npos;
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
        return refusedJob(accounting.reason);
    }
    JobRequest request;
    request.queue = queue;
    std::string prefix;
    FileDescriptor document;
    if (documentPath_.empty()) {
        request.document = testPagePdf(queue);
        request.documentName = "Accounting pane test page";
        prefix = request.document.substr(0, kFormatPrefix);
    } else {
        std::string why;
        if (!openDocument(documentPath_, &document.fd, &prefix, &why)) {
            return jobNotPrinted(IPP_STATUS_ERROR_DOCUMENT_ACCESS, why);
        }
        request.documentFd = document.fd;
        request.documentName = baseName(documentPath_);
    }
    request.jobName = request.documentName;
    request.documentFormat = documentFormatOf(prefix);
    for (const JobAttribute& attribute : accounting.attributes) {
        request.nameAttributes.emplace_back(attribute.name, attribute.value);
    }

    // One connection, and one deadline, for the whole job: the one the printer's PPD came on
    // while it lasts, else a new one.
    CupsFailure failure;
    QueueInfo info;
    QueueSupport support;
    CupsConnection* connection = printer_.connection();
    std::unique_ptr<CupsConnection> fresh;
    if (connection != nullptr) {
        connection->renewDeadline();
        if (!connection->queue(queue, &info, &failure, &support)) {
            printer_.dropConnection(); // gone meanwhile, or the server said no: try afresh
            connection = nullptr;
        }
    }
    if (connection == nullptr) {
        fresh = CupsConnection::open(server_, &failure);
        if (fresh == nullptr) {
            return jobNotPrinted(failure.status, failure.message);
        }
        connection = fresh.get();
        if (!connection->queue(queue, &info, &failure, &support)) {
            return jobNotPrinted(failure.status, failure.message);
        }
    }
    if (info.state == IPP_PSTATE_STOPPED) {
        return jobNotPrinted(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
                             queue + " is stopped" +
                                 (info.stateMessage.empty() ? "" : ": " + info.stateMessage));
    }
    // Nothing is made on the server that it could not carry through: a code the queue would
    // drop, or a document it can't take, stops the job before it exists.
    std::string dropped = codeQueueWouldDrop(accounting, support, queue);
    if (!dropped.empty()) {
        return refusedJob(dropped);
    }
    const std::vector<std::string>& formats = support.documentFormats;
    if (!formats.empty() &&
        std::find(formats.begin(), formats.end(), request.documentFormat) == formats.end()) {
        return jobNotPrinted(IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED,
                             queue + " does not take " + request.documentFormat + " documents");
    }
    JobReceipt receipt;
    if (!connection->submit(request, &receipt, &failure)) {
        printer_.dropConnection();
        fresh.reset();
        if (receipt.jobId == 0) {
            return jobNotPrinted(failure.status, failure.message);
        }
        // Once the job exists, nothing half made stays: the job without its document goes.
        return jobNotPrinted(failure.status,
                             failure.message + "; " + cancelLeftJob(server_, queue, receipt.jobId));
    }
    ++sent_;
    lastAttributes_ = accounting.attributes;
    JobOutcome outcome;
    outcome.sent = true;
    outcome.jobId = receipt.jobId;
    outcome.jobUri = receipt.jobUri;
    outcome.line = accounting.attributes.empty()
                       ? hostText("Sent to %1 without accounting codes", {queue})
                       : hostText("Sent to %1 with accounting codes", {queue});
    return outcome;
}
