#include "settings/AccountingContext.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

AccountingContext* gContext = nullptr;
SInt32 gMaxChars = 0;

namespace {

// The live records, oldest first.
std::vector<AccountingContext*>& liveContexts() {
    static std::vector<AccountingContext*> contexts;
    return contexts;
}

} // namespace

AccountingContext* allocateAccountingContext() {
    auto* context = static_cast<AccountingContext*>(std::calloc(1, sizeof(AccountingContext)));
    if (context == nullptr) {
        return nullptr;
    }
    context->accountingMode = kAccountingOff;
    context->accountType = 1;
    liveContexts().push_back(context);
    gContext = context;
    return context;
}

void freeAccountingContext(AccountingContext* context) {
    if (context == nullptr) {
        return;
    }
    auto& live = liveContexts();
    live.erase(std::remove(live.begin(), live.end(), context), live.end());
    if (gContext == context) {
        gContext = live.empty() ? nullptr : live.back();
    }
    std::free(context);
}
