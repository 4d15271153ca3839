#include "settings/AccountingContext.h"

#include <cstdlib>

AccountingContext* gContext = nullptr;
SInt32 gMaxChars = 0;

AccountingContext* allocateAccountingContext() {
    auto* context = static_cast<AccountingContext*>(std::calloc(1, sizeof(AccountingContext)));
    if (context == nullptr) {
        return nullptr;
    }
    context->accountingMode = kAccountingOff;
    context->accountType = 1;
    gContext = context;
    return context;
}
