/* Controls: found by ID in their window, with values, data, bounds, visibility and enabling.
   Every call given a null control does nothing (queries answer zero or false). */
#ifndef PLATFORM_CONTROLS_H
#define PLATFORM_CONTROLS_H

#include <CoreFoundation/CFBase.h>
#include <HIToolbox/MacWindows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueControlRef* ControlRef;
typedef ControlRef ControlHandle;
typedef SInt16 ControlPartCode;

typedef struct ControlID {
    OSType signature;
    SInt32 id;
} ControlID;

enum { kControlEntireControl = 0, kControlNoPart = 0 };

/* Control data tags. */
enum {
    kControlEditTextTextTag = 'text',
    kControlStaticTextTextTag = 'text',
    kControlEditTextCFStringTag = 'cfst'
};

enum {
    errMessageNotSupported = -30580,
    errDataNotSupported = -30581,
    errUnknownControl = -30584,
    errDataSizeMismatch = -30591
};

/* errUnknownControl when the window holds no control with that ID. */
OSStatus GetControlByID(WindowRef inWindow, const ControlID* inID, ControlRef* outControl);
OSStatus GetControlID(ControlRef inControl, ControlID* outID);
WindowRef GetControlOwner(ControlRef inControl);

void ShowControl(ControlRef theControl);
void HideControl(ControlRef theControl);
Boolean IsControlVisible(ControlRef inControl);
OSStatus EnableControl(ControlRef inControl);
OSStatus DisableControl(ControlRef inControl);
Boolean IsControlEnabled(ControlRef inControl);

/* Writes the bounds and returns bounds; a null control leaves the record alone. */
Rect* GetControlBounds(ControlRef control, Rect* bounds);
void SetControlBounds(ControlRef control, const Rect* bounds);

/* Values are kept between the control's minimum and maximum. */
void SetControlValue(ControlRef theControl, SInt16 newValue);
SInt16 GetControlValue(ControlRef theControl);
void SetControl32BitValue(ControlRef theControl, SInt32 newValue);
SInt32 GetControl32BitValue(ControlRef theControl);
SInt32 GetControl32BitMinimum(ControlRef theControl);
SInt32 GetControl32BitMaximum(ControlRef theControl);

/* Copies at most inBufferSize bytes of the data and reports its full size in outActualSize. A
   null buffer asks only for the size. 'cfst' yields a new string the caller releases. */
OSErr GetControlData(ControlRef inControl, ControlPartCode inPart, ResType inTagName,
                     Size inBufferSize, void* inBuffer, Size* outActualSize);
OSErr SetControlData(ControlRef inControl, ControlPartCode inPart, ResType inTagName, Size inSize,
                     const void* inData);
OSErr GetControlDataSize(ControlRef inControl, ControlPartCode inPart, ResType inTagName,
                         Size* outMaxSize);

/* Draws the control now, into its window's port. */
void Draw1Control(ControlRef theControl);

#ifdef __cplusplus
}
#endif

#endif
