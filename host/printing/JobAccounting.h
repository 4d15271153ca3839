// How the pane's settings become a job's IPP accounting attributes: the one place of the host
// that knows it, and reads the codes as the printer's driver would, from the print-settings
// ticket after the pane's Sync has stored it.
//
//   ticket On 2 or 3, pane wired    job-accounting-user-id = UID (PWG 5100.3), as a name
//                                   job-account-id = AID (PWG 5100.7), as a name, except in
//                                   Kontavar (On 2) with account type AT 1, "user ID only"
//   ticket On 2 or 3, pane unwired  on an accounting printer: refused, the codes were never
//                                   collected; on any other printer: no attributes
//   any other On, or no ticket      no attributes
//
// A code is sent only when it is not empty, and one the mode needs but the ticket lacks refuses
// the job. A code that IPP cannot carry unchanged (more than 255 octets, a control character,
// bytes that are not UTF-8) refuses the job: a code is never cut, escaped or altered.
#pragma once

#include <Carbon/Carbon.h>

#include <string>
#include <vector>

enum class PaneState { Wired, Unwired };
enum class PrinterKind { Accounting, Other };

struct JobAttribute {
    std::string name;  // "job-accounting-user-id" or "job-account-id"
    std::string value; // sent as it stands, as a name
    bool concealed;    // the user asked for the code to be concealed
};

struct JobAccounting {
    bool refused = false;
    std::string reason; // when refused: "the account ID is missing", ...
    std::vector<JobAttribute> attributes;
};

JobAccounting jobAccountingFor(PMTicketRef settings, PaneState pane, PrinterKind printer);
