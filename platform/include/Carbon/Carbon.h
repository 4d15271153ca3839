/* The Carbon umbrella: CoreFoundation, the toolbox, files, images and printing. */
#ifndef PLATFORM_CARBON_H
#define PLATFORM_CARBON_H

#include <CarbonCore/Files.h>
#include <CarbonCore/MacMemory.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CGImage.h>
#include <HIServices/Icons.h>
#include <HIToolbox/CarbonEvents.h>
#include <HIToolbox/Controls.h>
#include <HIToolbox/Dialogs.h>
#include <HIToolbox/IBCarbonRuntime.h>
#include <HIToolbox/MacWindows.h>
#include <Help/AppleHelp.h>
#include <ImageIO/CGImageSource.h>
#include <PrintCore/PMCore.h>
#include <PrintCore/PMPrintingDialogExtensions.h>
#include <PrintCore/PMTicket.h>
#include <PrintCore/PPDLib.h>
#include <QuickTime/ImageCompression.h>

#endif
