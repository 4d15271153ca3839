// The host-facing side of the platform: what a print-dialog host or a test needs to build, drive
// and inspect platform state. The system under test never includes this header.
#pragma once

#include <Carbon/Carbon.h>

#include <string>
#include <vector>

namespace PlatformHost {

// --- Live objects ---------------------------------------------------------------------------

// Platform objects alive now (CF objects, windows, controls, sessions, tickets); constants
// such as CFSTR strings are not counted.
long liveObjectCount();
// The live objects counted by class, such as "2 CFString, 1 Window"; empty when none.
std::string liveObjectReport();
// One description a line, at most limit lines.
std::string liveObjectList(long limit = 20);
// After the next `skip` creations of the class (such as "CFArray"), the following `count` fail.
void failAllocations(const char* className, int skip, int count);
void clearAllocationFailures();

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
    ControlRef parent = nullptr; // null when embedded directly in the window's root
    WindowRef window = nullptr;
};

// False for a null control.
bool controlState(ControlRef control, ControlState* state);
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
bool removeTicketItem(PMTicketRef ticket, const std::string& key);
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
