// The host-facing side of the platform: what a print-dialog host or a test needs to build, drive
// and inspect platform state. The system under test never includes this header.
#pragma once

#include <Carbon/Carbon.h>

#include "ControlChange.h"

#include <functional>

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo cairo_t;
#include <string>
#include <vector>

namespace PlatformHost {

// --- Live objects ---------------------------------------------------------------------------

// Platform objects alive now (CF objects, windows, controls, sessions, tickets); constants
// such as CFSTR strings are not counted.
long liveObjectCount();
// The live objects counted by class, such as "2 CFString, 1 Window"; empty when none.
std::string liveObjectReport();
// After the next `skip` creations of the class (such as "CFArray"), the following `count` fail.
void failAllocations(const char* className, int skip, int count);
void clearAllocationFailures();
// The bytes of the pages that small records (strings) are carved from, whole pages counted: the
// heap's own statistics do not see them.
size_t smallRecordPageBytes();

// --- Windows and controls -------------------------------------------------------------------

enum class ControlKind {
    UserPane,
    PushButton,
    CheckBox,
    RadioButton,
    PopupButton,
    StaticText,
    EditText,
    PasswordEditText
};

const char* controlKindName(ControlKind kind);

constexpr OSType kDefaultSignature = 'QRVa';

struct ControlSpec {
    ControlKind kind = ControlKind::UserPane;
    SInt32 id = 0;
    Rect bounds{0, 0, 0, 0};
    std::string title;
    SInt32 value = 0;
    SInt32 minimum = 0;
    SInt32 maximum = 0;
    std::vector<std::string> menuItems; // popups: the maximum becomes the number of items
    std::string text;
    bool visible = true;
    bool enabled = true;
    OSType signature = kDefaultSignature;
};

// The caller disposes the window with DisposeWindow.
WindowRef createWindow(const std::string& title, const Rect& bounds);
// A control in the window, embedded in parent (the window's root when null); null on failure.
ControlRef addControl(WindowRef window, ControlRef parent, const ControlSpec& spec);
ControlRef findControl(WindowRef window, SInt32 id, OSType signature = kDefaultSignature);
// The name of the nib window the window was made from, else its title.
std::string windowName(WindowRef window);

struct ControlState {
    ControlKind kind = ControlKind::UserPane;
    ControlID id{0, 0};
    bool visible = false;
    bool enabled = false;
    SInt32 value = 0;
    SInt32 minimum = 0;
    SInt32 maximum = 0;
    Rect bounds{0, 0, 0, 0};
    std::string title;
    std::string text;
    std::vector<std::string> menuItems;
    std::vector<bool> hiddenItems;
    ControlRef parent = nullptr; // null when embedded directly in the window's root
    WindowRef window = nullptr;
    UInt32 command = 0;
    bool focused = false;
    bool hasKeyFilter = false;
    int handlers = 0; // event handlers installed on the control itself
    ControlEditTextSelectionRec selection{0, 0};
    ControlFontStyleRec font{};
    bool drawsItself = false; // it has a draw handler of its own (a picture, say)
    std::string image;        // the image file shown within its bounds now; empty when none
};

// False for a null control.
bool controlState(ControlRef control, ControlState* state);
// A host's own control (a status line, say) shows this title from now on.
void setControlTitle(ControlRef control, const std::string& title);
// Whether the control shows on screen and takes clicks: it and every control it is embedded in
// are visible (enabled).
bool visibleInWindow(ControlRef control);
bool enabledInWindow(ControlRef control);
// The window's controls, depth-first in embedding order.
std::vector<ControlRef> controlsOf(WindowRef window);

struct DrawOp {
    enum class Kind { DrawControl, EraseRect };
    Kind kind;
    GrafPtr port;
    ControlRef control;   // DrawControl only
    SInt32 controlNumber; // DrawControl only
    Rect rect;
};

std::vector<DrawOp> drawLog();
void clearDrawLog();

// --- Pixels ---------------------------------------------------------------------------------

// Erases the window to its background and draws every visible control into its port, the pane's
// own draw handlers included.
void renderWindow(WindowRef window);
// Draws the control alone, not what is embedded in it, into its window's port: what a host
// shows for a control that draws itself.
void renderControl(ControlRef control);
// Draws the control alone as renderControl does, and onto cr too: at cr's origin and device
// scale (images straight from their files' pixels), over cr's own background (an erase leaves
// it). What a host with a display shows for a control that draws itself, sharp at any scale and
// on any theme's background.
void drawControlOnto(ControlRef control, cairo_t* cr);
// The port's pixel at (x, y) as 0xAARRGGBB; 0 outside the port.
uint32_t portPixel(WindowRef window, int x, int y);
// Writes the window's port as it is now to a PNG file.
bool writePortPNG(WindowRef window, const std::string& path, std::string* error);
// The port's pixels as a cairo image surface (the window's size), owned by the window: what a
// host shows on screen. Null for no window.
cairo_surface_t* portSurface(WindowRef window);

// The control the user would hit at window coordinates (x, y): the innermost visible control
// there, drawn last among siblings; null when there is none but the window's root.
ControlRef controlAt(WindowRef window, int x, int y);
// The byte offset in an edit field's text of the character boundary nearest to window
// coordinate x, as the field is drawn.
size_t fieldOffsetAt(ControlRef field, int x);

// Makes the weakly linked image-source calls read as absent (false) or present (true).
void setImageSourcesAvailable(bool available);

// --- Plug-ins ---------------------------------------------------------------------------------

// Why the last plug-in call failed (a bundle, its property list, its executable or factory).
std::string lastPlugInError();
// Live instances of the factory with this UUID text.
long liveInstancesForFactory(const std::string& factoryUUID);
// Unloads the executables of plug-ins with no live instance left; how many were unloaded.
int unloadUnusedPlugIns();
bool isPlugInLoaded(CFPlugInRef plugIn);

// --- Bundles and nibs ---------------------------------------------------------------------

// A new bundle for the folder (the caller releases it), or null with a message saying why.
CFBundleRef openBundle(const std::string& path, std::string* error);
// Why the last nib could not be opened.
std::string lastNibError();

// --- Driving the user interface -----------------------------------------------------------

enum class ClickOutcome { Delivered, NoControl, Hidden, Disabled, HiddenItem, NeedsValue };

struct ClickResult {
    ClickOutcome outcome = ClickOutcome::NoControl;
    OSStatus hitStatus = noErr;     // what the control-hit event's dispatch returned
    bool commandSent = false;       // the button's command went to its window, unhandled hit
    OSStatus commandStatus = noErr; // what the command event's dispatch returned
};

// The user clicks the control, as on screen: nothing happens to a hidden or disabled control
// (or one inside a hidden or disabled control) or to a hidden popup item. A popup takes the
// value (required), a checkbox toggles or takes the value, a radio button turns on, a button
// is pressed. Then the control-hit event is sent; when no handler takes it and the control has
// a command, the command goes to its window, as the platform's standard handler does.
ClickResult click(ControlRef control, const SInt32* value = nullptr);
// Focuses the field and types each character of the UTF-8 text, one key at a time. Returns how
// many keys the field's key filter let through.
int typeText(ControlRef field, const std::string& text);
// One key with this character code (8 backspace, 127 delete, 28/29 left/right, ...).
bool typeKey(ControlRef field, UInt16 charCode);
// A command event with this command ID to the window.
OSStatus sendCommand(WindowRef window, UInt32 commandID);
// Sets the field's selection (byte offsets, kept within the text).
bool setSelection(ControlRef field, SInt16 start, SInt16 end);

// Where modal loops get the user's actions: called once per action with the modal window; it
// performs one action (typically a click or a key) and returns false when it has none left,
// which ends the loop with an error. An empty function removes the source.
using ModalEventSource = std::function<bool(WindowRef window)>;
void setModalEventSource(ModalEventSource source);

// Sets the source for its own life and puts back the one before, however the scope is left.
class ScopedModalEventSource {
  public:
    explicit ScopedModalEventSource(ModalEventSource source);
    ~ScopedModalEventSource();
    ScopedModalEventSource(const ScopedModalEventSource&) = delete;
    ScopedModalEventSource& operator=(const ScopedModalEventSource&) = delete;

  private:
    ModalEventSource previous_;
};

const char* controlChangeName(ControlChange change);
using ControlObserver = std::function<void(ControlRef control, ControlChange change)>;

// Sets the observer for its own life and puts back the one before, however the scope is left.
class ScopedControlObserver {
  public:
    explicit ScopedControlObserver(ControlObserver observer);
    ~ScopedControlObserver();
    ScopedControlObserver(const ScopedControlObserver&) = delete;
    ScopedControlObserver& operator=(const ScopedControlObserver&) = delete;

  private:
    ControlObserver previous_;
};

// --- What the user was shown ----------------------------------------------------------------

struct Alert {
    SInt16 type = 0;
    std::string message;
    std::string explanation;
};

struct Notice {
    std::string title;
    std::string message;
    unsigned long flags = 0;
    double timeout = 0;
};

struct HelpRequest {
    std::string book;
    std::string page;
    std::string anchor;
    std::string file; // the page file opened; empty when none was
    OSStatus status = noErr;
};

std::vector<Alert> alerts();
std::vector<Notice> notices();
long beeps();
std::vector<HelpRequest> helpRequests();
void clearUserRecords();

// --- Standard error -------------------------------------------------------------------------

// Diverts file descriptor 2 into a temporary file until finish() or destruction, so that what
// the system writes to standard error can be read back.
class StderrCapture {
  public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    // Restores standard error and returns what was written meanwhile.
    std::string finish();

  private:
    int savedFd_ = -1;
    int captureFd_ = -1;
    std::string text_;
};

// --- Print sessions and tickets -------------------------------------------------------------

struct TicketItem {
    enum class Type { SInt32, CString };
    Type type = Type::SInt32;
    SInt32 number = 0;
    std::string text;
    std::string client;
    bool locked = false;
};

bool ticketItem(PMTicketRef ticket, const std::string& key, TicketItem* item);
// Puts the item as it is, client and locked flag included, whatever was there before.
bool putTicketItem(PMTicketRef ticket, const std::string& key, const TicketItem& item);
std::vector<std::string> ticketKeys(PMTicketRef ticket);

// A new ticket from an XML property list whose top level is a dictionary. Each value is an
// integer (32-bit), a string, or a dictionary {value, client, locked}. The caller releases the
// ticket with PMRelease. False with a one-line message on any error; nothing is created then.
bool loadTicketFromXml(const std::string& xml, PMTicketRef* ticket, std::string* error);
bool loadTicketFile(const std::string& path, PMTicketRef* ticket, std::string* error);
// The ticket as an XML property list; items with a client or a lock are written in the
// dictionary form.
std::string ticketToXml(PMTicketRef ticket);
bool saveTicketFile(PMTicketRef ticket, const std::string& path, std::string* error);

// Stores the ticket reference in the session under the key, as a pointer-sized number. The
// session does not own the ticket.
bool setSessionTicket(PMPrintSession session, CFStringRef key, PMTicketRef ticket);

} // namespace PlatformHost
