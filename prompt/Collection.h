// What happens when Print is pressed with accounting on: the job's codes are collected.
#pragma once

#include "settings/AccountingContext.h"

// Leaves the job's codes in promptUserID and promptAccountID: from a modal prompt when
// prompting, else from the pane's default codes. -9874 lets the press go on to print; any other
// status stops it (0 when the prompt can't be built or a default code is missing, the modal
// loop's status after Cancel).
OSStatus gatherAccountingInformation(AccountingContext* context);
