/* Windows, the drawing ports they carry, and the application-modal loop. */
#ifndef PLATFORM_MACWINDOWS_H
#define PLATFORM_MACWINDOWS_H

#include <HIToolbox/CarbonEvents.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueWindowPtr* WindowRef;
typedef WindowRef WindowPtr;
typedef struct OpaqueGrafPtr* GrafPtr;
typedef GrafPtr CGrafPtr;

enum { errInvalidWindowRef = -5600, errWindowNotModal = -5609 };

/* Disposes the window, every control still in it, and the handlers installed on them. */
void DisposeWindow(WindowRef window);
Rect* GetWindowPortBounds(WindowRef window, Rect* bounds);
void ShowWindow(WindowRef window);
void HideWindow(WindowRef window);
Boolean IsWindowVisible(WindowRef window);
EventTargetRef GetWindowEventTarget(WindowRef inWindow);

/* Runs the window modally: events come from the event source the host installed, one user
   action at a time, until QuitAppModalLoopForWindow. When the source has nothing more before
   the loop is quit, the loop ends with eventLoopQuitErr. */
OSStatus RunAppModalLoopForWindow(WindowRef inWindow);
OSStatus QuitAppModalLoopForWindow(WindowRef inWindow);

/* Each window draws into its own port; drawing calls use the current port. */
CGrafPtr GetWindowPort(WindowRef window);
void SetPort(GrafPtr port);
void GetPort(GrafPtr* port);
void SetPortWindowPort(WindowRef window);
/* Erases a rectangle of the current port to the window's background. */
void EraseRect(const Rect* r);

#ifdef __cplusplus
}
#endif

#endif
