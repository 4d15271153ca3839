/* The Carbon umbrella: CoreFoundation, the toolbox and printing. */
#ifndef PLATFORM_CARBON_H
#define PLATFORM_CARBON_H

#include <CoreFoundation/CoreFoundation.h>
#include <HIToolbox/CarbonEvents.h>
#include <HIToolbox/Controls.h>
#include <HIToolbox/Dialogs.h>
#include <HIToolbox/IBCarbonRuntime.h>
#include <HIToolbox/MacWindows.h>
#include <Help/AppleHelp.h>
#include <PrintCore/PMCore.h>
#include <PrintCore/PMPrintingDialogExtensions.h>
#include <PrintCore/PMTicket.h>

#endif
