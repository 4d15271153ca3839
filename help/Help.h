// Opening the help book that a bundle names.
#pragma once

#include <Carbon/Carbon.h>

// The page every help request of the pane and the prompt opens.
#define kAccountingHelpPage CFSTR("Mac_topics/M_accounting_dialog.htm")

// Opens the anchor when one is given (the page is then not used), else the page, in the help
// book the bundle names under "CFBundleHelpBookName". -50 when the bundle is null or names no
// book as a string; otherwise the help viewer's status.
OSStatus DisplayHelp(CFBundleRef bundle, CFStringRef pagePath, CFStringRef anchorName);
