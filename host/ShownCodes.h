// How the host shows a code in a transcript, a log, a check or the window: itself, or bullets
// when the user asked for it to be concealed.
#pragma once

#include <Carbon/Carbon.h>

#include <string>

// The two codes: how the window's log names each, its key in the print-settings ticket, the
// flag that conceals it, the job attribute it becomes, and its name in the keyring.
struct AccountingCode {
    const char* label;
    const char* ticketKey;
    const char* concealKey;
    const char* attribute;
    const char* secretName;
};
extern const AccountingCode kAccountingCodes[2];

// Whether the ticket conceals the code: its flag is a number other than 0.
bool concealedIn(PMTicketRef ticket, const AccountingCode& code);

// The code, or a bullet for every character when it is concealed.
std::string shownCode(const std::string& code, bool concealed);

// The shown code in double quotes, as a check or a transcript line prints it.
std::string quotedCode(const std::string& code, bool concealed);
