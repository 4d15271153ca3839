/* Windows and the drawing ports they carry. */
#ifndef PLATFORM_MACWINDOWS_H
#define PLATFORM_MACWINDOWS_H

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueWindowPtr* WindowRef;
typedef WindowRef WindowPtr;
typedef struct OpaqueGrafPtr* GrafPtr;
typedef GrafPtr CGrafPtr;

enum { errInvalidWindowRef = -5600 };

/* Disposes the window and every control still in it. */
void DisposeWindow(WindowRef window);
Rect* GetWindowPortBounds(WindowRef window, Rect* bounds);

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
