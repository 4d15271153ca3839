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

/* Control data tags. Text is the field's bytes in the system encoding (UTF-8); a password
   field keeps its clear text under 'pass' and 'pwcf' only. */
enum {
    kControlEditTextTextTag = 'text',
    kControlStaticTextTextTag = 'text',
    kControlEditTextCFStringTag = 'cfst',
    kControlEditTextPasswordTag = 'pass',
    kControlEditTextPasswordCFStringTag = 'pwcf',
    kControlEditTextKeyFilterTag = 'fltr',
    kControlEditTextSelectionTag = 'sele',
    kControlFontStyleTag = 'font'
};

enum {
    errMessageNotSupported = -30580,
    errDataNotSupported = -30581,
    errUnknownControl = -30584,
    errCouldntSetFocus = -30585,
    errDataSizeMismatch = -30591,
    errControlHiddenOrDisabled = -30592
};

/* Byte offsets into the field's text. */
typedef struct ControlEditTextSelectionRec {
    SInt16 selStart;
    SInt16 selEnd;
} ControlEditTextSelectionRec;

typedef struct RGBColor {
    UInt16 red;
    UInt16 green;
    UInt16 blue;
} RGBColor;

typedef struct ControlFontStyleRec {
    SInt16 flags;
    SInt16 font;
    SInt16 size;
    SInt16 style;
    SInt16 mode;
    SInt16 just;
    RGBColor foreColor;
    RGBColor backColor;
} ControlFontStyleRec;

/* The key filter of an edit field: called for every key before the field acts on it. */
typedef SInt16 ControlKeyFilterResult;
enum { kControlKeyFilterBlockKey = 0, kControlKeyFilterPassKey = 1 };
typedef ControlKeyFilterResult (*ControlKeyFilterProcPtr)(ControlRef theControl, SInt16* keyCode,
                                                          SInt16* charCode,
                                                          EventModifiers* modifiers);
typedef ControlKeyFilterProcPtr ControlKeyFilterUPP;

ControlKeyFilterUPP NewControlKeyFilterUPP(ControlKeyFilterProcPtr userRoutine);
void DisposeControlKeyFilterUPP(ControlKeyFilterUPP userUPP);

typedef SInt16 ControlFocusPart;
enum { kControlFocusNoPart = 0, kControlFocusNextPart = -1 };

/* A new edit field in the window's content; the caller owns nothing extra (the window disposes
   it). */
OSStatus CreateEditTextControl(WindowRef window, const Rect* boundsRect, CFStringRef text,
                               Boolean isPassword, Boolean useInlineInputMethod,
                               const ControlFontStyleRec* style, ControlRef* outControl);
void DisposeControl(ControlRef theControl);
OSStatus SetControlID(ControlRef inControl, const ControlID* inID);

/* Only edit fields take the focus; kControlFocusNoPart clears it. */
OSStatus SetKeyboardFocus(WindowRef inWindow, ControlRef inControl, ControlFocusPart inPart);
OSStatus GetKeyboardFocus(WindowRef inWindow, ControlRef* outControl);

EventTargetRef GetControlEventTarget(ControlRef inControl);
OSStatus SetControlCommandID(ControlRef inControl, UInt32 inCommandID);
OSStatus GetControlCommandID(ControlRef inControl, UInt32* outCommandID);
OSStatus SetWindowDefaultButton(WindowRef inWindow, ControlRef inControl);
OSStatus GetWindowDefaultButton(WindowRef inWindow, ControlRef* outControl);

enum { controlPropertyInvalid = -5603, controlPropertyNotFoundErr = -5604 };

/* Properties of a control by creator and tag, kept as bytes. Reading with a buffer of another
   size than the property's is errDataSizeMismatch, with nothing written. */
OSStatus GetControlProperty(ControlRef control, OSType propertyCreator, OSType propertyTag,
                            UInt32 bufferSize, UInt32* actualSize, void* propertyBuffer);
OSStatus SetControlProperty(ControlRef control, OSType propertyCreator, OSType propertyTag,
                            UInt32 propertySize, const void* propertyData);

/* Moves the control's top-left corner to (h, v); what is embedded in it moves along. */
void MoveControl(ControlRef theControl, SInt16 h, SInt16 v);
/* Embeds the control in a container (a user pane), also one in another window: the control
   and what it holds then belong to the container's window. */
OSErr EmbedControl(ControlRef inControl, ControlRef inContainer);
OSErr SetControlVisibility(ControlRef inControl, Boolean inIsVisible, Boolean inDoDraw);

enum { errControlIsNotEmbedder = -30590, errCantEmbedIntoSelf = -30594, errCantEmbedRoot = -30595 };

/* A popup's menu, read with 'mhan'. */
enum { kControlPopupButtonMenuHandleTag = 'mhan', kControlPopupButtonMenuRefTag = 'mhan' };

typedef UInt32 MenuItemAttributes;
enum { kMenuItemAttrDisabled = 1 << 2, kMenuItemAttrHidden = 1 << 5 };

/* A hidden item can't be chosen. */
OSStatus ChangeMenuItemAttributes(MenuRef menu, MenuItemIndex item,
                                  MenuItemAttributes setTheseAttributes,
                                  MenuItemAttributes clearTheseAttributes);

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
