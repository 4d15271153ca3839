// The context record as it starts, and gContext with more than one record alive.
#include "support/PlatformTest.h"

#include <cstdlib>

namespace {

class ContextTest : public PlatformTest {};

TEST_F(ContextTest, FreshRecordHasTheDefaults) {
    AccountingContext* context = allocateAccountingContext();
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->accountingMode, 1);
    EXPECT_EQ(context->accountType, 1);
    EXPECT_EQ(context->promptAtPrint, 0);
    EXPECT_EQ(context->concealUserID, 0);
    EXPECT_EQ(context->concealAccountID, 0);
    EXPECT_EQ(context->promptCancelled, 0);
    EXPECT_EQ(context->paneOpened, 0);
    for (const char* code : {context->promptUserID, context->promptAccountID,
                             context->defaultUserID, context->defaultAccountID}) {
        EXPECT_EQ(code[0], '\0');
    }
    EXPECT_EQ(context->savedAccountLabelBounds.top, 0);
    EXPECT_EQ(context->savedAccountFieldBounds.top, 0);
    EXPECT_EQ(context->embedderPane, nullptr);
    EXPECT_EQ(context->offModeItem, nullptr);
    EXPECT_EQ(context->promptWindow, nullptr);
    EXPECT_EQ(context->printButtonHandlerRef, nullptr);
    EXPECT_EQ(context->imageManager, nullptr);
    EXPECT_EQ(gContext, context);
    freeAccountingContext(context);
}

TEST_F(ContextTest, TheGlobalContextIsTheNewestLiveRecord) {
    AccountingContext* first = allocateAccountingContext();
    AccountingContext* second = allocateAccountingContext();
    EXPECT_EQ(gContext, second);
    AccountingContext* third = allocateAccountingContext();
    freeAccountingContext(third);
    EXPECT_EQ(gContext, second) << "never a freed record";
    freeAccountingContext(first);
    EXPECT_EQ(gContext, second) << "an older record going leaves the newest";
    freeAccountingContext(second);
    EXPECT_EQ(gContext, nullptr);
}

TEST_F(ContextTest, CodeFieldsHoldEightyBytes) {
    AccountingContext context{};
    EXPECT_EQ(sizeof context.promptUserID, 80u);
    EXPECT_EQ(sizeof context.defaultAccountID, 80u);
}

} // namespace
