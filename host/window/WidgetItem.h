// One control of a WidgetView and the widgets that show it.
#pragma once

#include <Carbon/Carbon.h>
#include <PlatformHost.h>

#include <set>
#include <string>
#include <vector>

class WidgetView;
typedef struct _GtkWidget GtkWidget;
typedef struct _GtkListStore GtkListStore;
typedef struct _GtkTreeModel GtkTreeModel;

struct WidgetItem {
    ~WidgetItem();

    WidgetView* view = nullptr;
    ControlRef control = nullptr;
    PlatformHost::ControlKind kind = PlatformHost::ControlKind::UserPane;
    GtkWidget* outer = nullptr;   // what sits in the window: the widget, or a box around it
    GtkWidget* widget = nullptr;  // the control's own widget; null for a plain user pane
    GtkWidget* caption = nullptr; // a titled popup's title
    ControlRef group = nullptr;   // a radio button's group: the control it is embedded in
    ControlRef names = nullptr;   // a static text: the control it is the caption of
    Rect bounds{0, 0, 0, 0};      // where the widget was put, once placed
    bool placed = false;
    std::string image; // a picture: the image file it was last seen to show
    // A popup's items as shown: every item, and whether it shows (hidden ones don't, unless
    // chosen).
    GtkListStore* items = nullptr;
    GtkTreeModel* shown = nullptr;
    std::vector<std::string> itemTexts;
    std::vector<bool> itemShown;
    std::set<SInt32> withheld; // items the host does not offer (1-based), unless chosen
};
