// A subscription to the server's job and queue events, read by polling (ippget).
#include "host/printing/CupsClient.h"

#include "host/printing/IppValues.h"

#include <cups/cups.h>

#include <algorithm>

namespace {

// The events an agent follows: its user's jobs, and queues that come, change and go.
const char* const kSubscribedEvents[] = {"job-created", "job-state-changed", "printer-added",
                                         "printer-modified", "printer-deleted"};

} // namespace

bool CupsConnection::subscribe(int leaseSeconds, const std::string& recipient, int* subscriptionId,
                               CupsFailure* failure) {
    *subscriptionId = 0;
    ipp_t* request = serverRequest(IPP_OP_CREATE_PRINTER_SUBSCRIPTIONS);
    if (recipient.empty()) {
        ippAddString(request, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-pull-method", nullptr,
                     "ippget");
    } else {
        ippAddString(request, IPP_TAG_SUBSCRIPTION, IPP_TAG_URI, "notify-recipient-uri", nullptr,
                     recipient.c_str());
    }
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
    ipp_t* request = serverRequest(IPP_OP_RENEW_SUBSCRIPTION);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id",
                  subscriptionId);
    ippAddInteger(request, IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration",
                  leaseSeconds);
    ipp_t* response = exchange(request, "/", "Renew-Subscription", failure);
    ippDelete(response);
    return response != nullptr;
}

bool CupsConnection::cancelSubscription(int subscriptionId, CupsFailure* failure) {
    ipp_t* request = serverRequest(IPP_OP_CANCEL_SUBSCRIPTION);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id",
                  subscriptionId);
    ipp_t* response = exchange(request, "/", "Cancel-Subscription", failure);
    ippDelete(response);
    return response != nullptr;
}

bool CupsConnection::notifications(int subscriptionId, int* sequence, std::vector<CupsEvent>* out,
                                   CupsFailure* failure) {
    ipp_t* request = serverRequest(IPP_OP_GET_NOTIFICATIONS);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-ids",
                  subscriptionId);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-sequence-numbers",
                  *sequence + 1);
    ipp_t* response = exchangeAtOnce(request, "/", "Get-Notifications", failure);
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

bool CupsConnection::notifySchemes(std::vector<std::string>* out, CupsFailure* failure) {
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "limit", 1);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "notify-schemes-supported");
    ipp_t* response = exchange(request, "/", "the server's notifiers", failure);
    if (response == nullptr) {
        return false;
    }
    out->clear();
    if (ipp_attribute_t* schemes =
            ippFindAttribute(response, "notify-schemes-supported", IPP_TAG_KEYWORD)) {
        for (int i = 0; i < ippGetCount(schemes); ++i) {
            out->push_back(ippGetString(schemes, i, nullptr));
        }
    }
    ippDelete(response);
    return true;
}
