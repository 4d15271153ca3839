// Jobs on the server: sending one with its document, cancelling, listing the user's,
// releasing a held one with its codes, reading one back.
#include "host/printing/CupsClient.h"

#include "host/printing/IppValues.h"
#include "host/printing/Passwords.h"

#include <cups/cups.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

bool CupsConnection::submit(const JobRequest& job, JobReceipt* receipt, CupsFailure* failure) {
    std::string uri = printerUri(job.queue);
    std::string resource = queueResource(job.queue);
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
    static const char* const wanted[] = {"job-id",
                                         "job-printer-uri",
                                         "job-name",
                                         "job-state",
                                         "job-state-reasons",
                                         "job-hold-until",
                                         "job-accounting-user-id",
                                         "job-account-id",
                                         "job-originating-user-name",
                                         "number-of-documents"};
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
            // The URI's path has the queue's name percent-encoded ("quorv-%C3%A9").
            job.queue = decodedQueue(at == std::string::npos ? uri : uri.substr(at + 10));
        } else if (attribute == "job-name" && job.name.empty()) {
            // A name the server finds invalid comes twice: as given, then as "Untitled". The
            // job's own name is the first; it is made safe where it is shown.
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
        } else if (attribute == "number-of-documents") {
            job.documents = ippGetInteger(a, 0);
        } else if (attribute == "job-state-reasons") {
            for (int i = 0; i < ippGetCount(a); ++i) {
                const char* reason = ippGetString(a, i, nullptr);
                job.incoming =
                    job.incoming || (reason != nullptr && !strcmp(reason, "job-incoming"));
            }
        }
    }
    finish();
    ippDelete(response);
    std::sort(out->begin(), out->end(),
              [](const UserJob& a, const UserJob& b) { return a.id < b.id; });
    return true;
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
                                   CupsFailure* failure, const std::vector<std::string>& wanted) {
    ipp_t* request = jobRequest(IPP_OP_GET_JOB_ATTRIBUTES, jobId);
    std::vector<const char*> names;
    for (const std::string& name : wanted) {
        names.push_back(name.c_str());
    }
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(names.size()), nullptr, names.data());
    ipp_t* response = exchange(request, "/jobs/", "job " + std::to_string(jobId), failure);
    if (response == nullptr) {
        return false;
    }
    out->clear();
    for (ipp_attribute_t* a = ippFirstAttribute(response); a != nullptr;
         a = ippNextAttribute(response)) {
        if (ippGetName(a) != nullptr && ippGetGroupTag(a) == IPP_TAG_JOB) {
            // The first of an attribute sent twice is the job's own (see userJobs).
            out->emplace(ippGetName(a), ippGetValueTag(a) == IPP_TAG_ENUM &&
                                                std::strcmp(ippGetName(a), "job-state") == 0
                                            ? ippEnumString("job-state", ippGetInteger(a, 0))
                                            : attributeText(a));
        }
    }
    ippDelete(response);
    return true;
}
