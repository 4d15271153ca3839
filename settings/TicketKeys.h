// The names of the accounting settings' keys in the print-settings ticket, as plain C strings:
// the one place they are spelled, for the pane's Sync and for whoever reads a ticket (the host,
// a driver).
#pragma once

#define kAccountingOnKeyName "com.quorv.Act.qtaf.On"
#define kAccountingPromptKeyName "com.quorv.Act.qtaf.Prm"
#define kAccountingConcealUserKeyName "com.quorv.Act.qtaf.CU"
#define kAccountingConcealAccountKeyName "com.quorv.Act.qtaf.CA"
#define kAccountingAccountTypeKeyName "com.quorv.Act.qtaf.AT"
#define kAccountingUserIDKeyName "com.quorv.Act.qtaf.UID"
#define kAccountingAccountIDKeyName "com.quorv.Act.qtaf.AID"
