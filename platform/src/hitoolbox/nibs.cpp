// Nib files: an XML property list of this form, checked whole when the nib is opened.
//
//   <dict>
//     <key>windows</key>
//     <dict>
//       <key>NAME</key>
//       <dict>
//         <key>title</key> <string>...</string>                  (optional)
//         <key>bounds</key> <array> top left bottom right </array>
//         <key>controls</key> <array> CONTROL... </array>         (optional)
//       </dict>
//     </dict>
//   </dict>
//
// CONTROL is a dictionary with kind (user-pane, push-button, checkbox, radio-button,
// popup-button, static-text, edit-text, password-edit-text) and bounds, and optionally id,
// signature (four characters, "QRVa" when absent), title, text, value, minimum, maximum, items
// (popup items), visible, enabled, command (four characters), default (the window's default
// button) and children (embedded controls).
#include <HIToolbox/IBCarbonRuntime.h>

#include "../common/Messages.h"
#include "../common/Object.h"
#include "../common/PropertyList.h"
#include "../common/TypeIDs.h"
#include "../corefoundation/Bundles.h"
#include "../corefoundation/Strings.h"
#include "Toolbox.h"

#include <climits>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <sys/stat.h>

namespace platform {
namespace {

struct ControlDesc {
    ControlKind kind = ControlKind::UserPane;
    ControlID id{'QRVa', 0};
    Rect bounds{0, 0, 0, 0};
    std::string title;
    std::string text;
    SInt32 value = 0;
    SInt32 minimum = 0;
    SInt32 maximum = 0;
    bool hasMaximum = false;
    std::vector<std::string> items;
    bool visible = true;
    bool enabled = true;
    UInt32 command = 0;
    bool isDefault = false;
    std::vector<ControlDesc> children;
};

struct WindowDesc {
    std::string title;
    Rect bounds{0, 0, 0, 0};
    std::vector<ControlDesc> controls;
};

const std::map<std::string, ControlKind> kKinds = {
    {"user-pane", ControlKind::UserPane},
    {"push-button", ControlKind::PushButton},
    {"checkbox", ControlKind::CheckBox},
    {"radio-button", ControlKind::RadioButton},
    {"popup-button", ControlKind::PopupButton},
    {"static-text", ControlKind::StaticText},
    {"edit-text", ControlKind::EditText},
    {"password-edit-text", ControlKind::PasswordEditText},
};

std::string stringOf(plist_t node) {
    char* text = nullptr;
    plist_get_string_val(node, &text);
    std::string value = text == nullptr ? "" : text;
    std::free(text);
    return value;
}

class NibReader {
  public:
    bool read(plist_t root, std::map<std::string, WindowDesc>* windows, std::string* error) {
        error_ = error;
        if (plist_get_node_type(root) != PLIST_DICT) {
            return fail("the nib must be a dictionary");
        }
        plist_t list = plist_dict_get_item(root, "windows");
        if (list == nullptr || plist_get_node_type(list) != PLIST_DICT) {
            return fail("\"windows\" must be a dictionary of windows");
        }
        return forEachDictEntry(list, [&](const char* name, plist_t node) {
            std::string windowName = name;
            WindowDesc desc;
            where_ = "window " + quotedForMessage(windowName);
            if (!readWindow(node, &desc)) {
                return false;
            }
            (*windows)[windowName] = std::move(desc);
            return true;
        });
    }

  private:
    bool fail(const std::string& what) {
        *error_ = where_.empty() ? what : where_ + ": " + what;
        return false;
    }

    bool readRect(plist_t node, Rect* rect) {
        if (node == nullptr || plist_get_node_type(node) != PLIST_ARRAY ||
            plist_array_get_size(node) != 4) {
            return fail("\"bounds\" must be four integers: top, left, bottom, right");
        }
        SInt16 values[4];
        for (uint32_t i = 0; i < 4; ++i) {
            SInt32 v;
            if (!readInt(plist_array_get_item(node, i), "bounds", &v) || v < SHRT_MIN ||
                v > SHRT_MAX) {
                return fail("\"bounds\" values must be 16-bit integers");
            }
            values[i] = static_cast<SInt16>(v);
        }
        *rect = Rect{values[0], values[1], values[2], values[3]};
        return true;
    }

    bool readInt(plist_t node, const char* name, SInt32* value) {
        if (plist_get_node_type(node) != PLIST_UINT) {
            return fail(quotedForMessage(name) + " must be an integer");
        }
        uint64_t raw = 0;
        plist_get_uint_val(node, &raw);
        auto v = static_cast<int64_t>(raw);
        if (v < INT32_MIN || v > INT32_MAX) {
            return fail(quotedForMessage(name) + " is out of range");
        }
        *value = static_cast<SInt32>(v);
        return true;
    }

    bool readString(plist_t node, const char* name, std::string* value) {
        if (plist_get_node_type(node) != PLIST_STRING) {
            return fail(quotedForMessage(name) + " must be a string");
        }
        *value = stringOf(node);
        return true;
    }

    bool readBool(plist_t node, const char* name, bool* value) {
        if (plist_get_node_type(node) != PLIST_BOOLEAN) {
            return fail(quotedForMessage(name) + " must be true or false");
        }
        uint8_t v = 0;
        plist_get_bool_val(node, &v);
        *value = v != 0;
        return true;
    }

    bool readCode(plist_t node, const char* name, UInt32* value) {
        std::string text;
        if (!readString(node, name, &text)) {
            return false;
        }
        if (text.size() != 4) {
            return fail(quotedForMessage(name) + " must be four characters");
        }
        *value = 0;
        for (unsigned char c : text) {
            *value = (*value << 8) | c;
        }
        return true;
    }

    bool readControls(plist_t node, std::vector<ControlDesc>* controls) {
        if (plist_get_node_type(node) != PLIST_ARRAY) {
            return fail("\"controls\" and \"children\" must be arrays");
        }
        for (uint32_t i = 0; i < plist_array_get_size(node); ++i) {
            ControlDesc desc;
            if (!readControl(plist_array_get_item(node, i), &desc)) {
                return false;
            }
            controls->push_back(std::move(desc));
        }
        return true;
    }

    bool readWindow(plist_t node, WindowDesc* desc) {
        if (plist_get_node_type(node) != PLIST_DICT) {
            return fail("a window must be a dictionary");
        }
        static const std::set<std::string> known = {"title", "bounds", "controls"};
        if (!onlyKnown(node, known)) {
            return false;
        }
        if (plist_t title = plist_dict_get_item(node, "title")) {
            if (!readString(title, "title", &desc->title)) {
                return false;
            }
        }
        if (!readRect(plist_dict_get_item(node, "bounds"), &desc->bounds)) {
            return false;
        }
        if (plist_t controls = plist_dict_get_item(node, "controls")) {
            return readControls(controls, &desc->controls);
        }
        return true;
    }

    bool onlyKnown(plist_t dict, const std::set<std::string>& known) {
        return forEachDictEntry(dict, [&](const char* key, plist_t) {
            return known.count(key) != 0 || fail("unknown attribute " + quotedForMessage(key));
        });
    }

    bool readItems(plist_t node, const char* name, std::vector<std::string>* items) {
        if (plist_get_node_type(node) != PLIST_ARRAY) {
            return fail(quotedForMessage(name) + " must be an array of strings");
        }
        for (uint32_t i = 0; i < plist_array_get_size(node); ++i) {
            std::string text;
            if (!readString(plist_array_get_item(node, i), name, &text)) {
                return false;
            }
            items->push_back(text);
        }
        return true;
    }

    // A control's attributes besides its kind and bounds, in the order they are read: each
    // one's name, and how it is read into the control's description when present.
    using FieldReader = bool (*)(NibReader& reader, plist_t node, const char* name,
                                 ControlDesc* desc);
    struct ControlField {
        const char* name;
        FieldReader read;
    };
    static const std::vector<ControlField>& controlFields() {
        static const std::vector<ControlField> fields = {
            {"id", [](NibReader& r, plist_t n, const char* name,
                      ControlDesc* d) { return r.readInt(n, name, &d->id.id); }},
            {"signature", [](NibReader& r, plist_t n, const char* name,
                             ControlDesc* d) { return r.readCode(n, name, &d->id.signature); }},
            {"title", [](NibReader& r, plist_t n, const char* name,
                         ControlDesc* d) { return r.readString(n, name, &d->title); }},
            {"text", [](NibReader& r, plist_t n, const char* name,
                        ControlDesc* d) { return r.readString(n, name, &d->text); }},
            {"value", [](NibReader& r, plist_t n, const char* name,
                         ControlDesc* d) { return r.readInt(n, name, &d->value); }},
            {"minimum", [](NibReader& r, plist_t n, const char* name,
                           ControlDesc* d) { return r.readInt(n, name, &d->minimum); }},
            {"maximum",
             [](NibReader& r, plist_t n, const char* name, ControlDesc* d) {
                 return d->hasMaximum = r.readInt(n, name, &d->maximum);
             }},
            {"items", [](NibReader& r, plist_t n, const char* name,
                         ControlDesc* d) { return r.readItems(n, name, &d->items); }},
            {"visible", [](NibReader& r, plist_t n, const char* name,
                           ControlDesc* d) { return r.readBool(n, name, &d->visible); }},
            {"enabled", [](NibReader& r, plist_t n, const char* name,
                           ControlDesc* d) { return r.readBool(n, name, &d->enabled); }},
            {"command", [](NibReader& r, plist_t n, const char* name,
                           ControlDesc* d) { return r.readCode(n, name, &d->command); }},
            {"default", [](NibReader& r, plist_t n, const char* name,
                           ControlDesc* d) { return r.readBool(n, name, &d->isDefault); }},
            {"children", [](NibReader& r, plist_t n, const char*,
                            ControlDesc* d) { return r.readControls(n, &d->children); }},
        };
        return fields;
    }

    bool readControl(plist_t node, ControlDesc* desc) {
        if (plist_get_node_type(node) != PLIST_DICT) {
            return fail("a control must be a dictionary");
        }
        static const std::set<std::string> known = [] {
            std::set<std::string> names = {"kind", "bounds"};
            for (const ControlField& field : controlFields()) {
                names.insert(field.name);
            }
            return names;
        }();
        if (!onlyKnown(node, known)) {
            return false;
        }
        plist_t kind = plist_dict_get_item(node, "kind");
        std::string kindName;
        if (kind == nullptr || !readString(kind, "kind", &kindName)) {
            return fail("a control needs a \"kind\"");
        }
        auto found = kKinds.find(kindName);
        if (found == kKinds.end()) {
            return fail("unknown control kind " + quotedForMessage(kindName));
        }
        desc->kind = found->second;
        if (!readRect(plist_dict_get_item(node, "bounds"), &desc->bounds)) {
            return false;
        }
        for (const ControlField& field : controlFields()) {
            plist_t item = plist_dict_get_item(node, field.name);
            if (item != nullptr && !field.read(*this, item, field.name, desc)) {
                return false;
            }
        }
        if (desc->kind == ControlKind::PopupButton && desc->items.empty()) {
            return fail("a popup button needs \"items\"");
        }
        return true;
    }

    std::string* error_ = nullptr;
    std::string where_;
};

bool buildControls(WindowRef window, ControlRef parent, const std::vector<ControlDesc>& descs) {
    for (const ControlDesc& desc : descs) {
        ControlRef control = createControl(window, parent, desc.kind);
        if (control == nullptr) {
            return false;
        }
        control->id = desc.id;
        control->bounds = desc.bounds;
        control->title = desc.title;
        control->text = desc.text;
        control->selection = {static_cast<SInt16>(desc.text.size()),
                              static_cast<SInt16>(desc.text.size())};
        control->menuItems = desc.items;
        control->itemAttributes.assign(desc.items.size(), 0);
        control->minimum = desc.minimum;
        control->maximum = desc.maximum;
        if (desc.kind == ControlKind::PopupButton) {
            control->minimum = 1;
            control->maximum = static_cast<SInt32>(desc.items.size());
        } else if ((desc.kind == ControlKind::CheckBox || desc.kind == ControlKind::RadioButton) &&
                   !desc.hasMaximum) {
            control->maximum = 1;
        }
        SetControl32BitValue(control, desc.value);
        control->visible = desc.visible;
        control->enabled = desc.enabled;
        control->command = desc.command;
        if (desc.isDefault) {
            window->defaultButton = control;
        }
        controlChanged(control, ControlChange::Created);
        if (!buildControls(window, control, desc.children)) {
            return false;
        }
    }
    return true;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string& lastNibError() {
    static std::string error;
    return error;
}

} // namespace

std::string nibError() {
    return lastNibError();
}

} // namespace platform

using NibWindows = std::map<std::string, platform::WindowDesc>;

struct OpaqueIBNibRef : platform::Object {
    std::shared_ptr<const NibWindows> windows;
};

namespace {

const platform::ObjectClass kNibClass = {
    "IBNibRef", platform::kTypeIDToolbox, nullptr, nullptr, nullptr, nullptr};

// Every nib a bundle has read, by its path: a nib is read and parsed once per bundle, however
// often a pane or a prompt is made from it. The bundle forgets them when it goes.
std::map<CFBundleRef, std::map<std::string, std::shared_ptr<const NibWindows>>>& nibCache() {
    static auto* cache =
        new std::map<CFBundleRef, std::map<std::string, std::shared_ptr<const NibWindows>>>();
    return *cache;
}

} // namespace

namespace platform {

void forgetNibs(CFBundleRef bundle) {
    nibCache().erase(bundle);
}

} // namespace platform

extern "C" {

OSStatus CreateNibReferenceWithCFBundle(CFBundleRef inBundle, CFStringRef inNibName,
                                        IBNibRef* outNibRef) {
    if (inBundle == nullptr || inNibName == nullptr || outNibRef == nullptr) {
        return paramErr;
    }
    std::string name = platform::stringToUtf8(inNibName) + ".nib";
    std::string resources = platform::bundleResourcesPath(inBundle);
    std::string path;
    for (const std::string& lproj : platform::bundleLocalizations(inBundle)) {
        if (platform::fileExists(resources + "/" + lproj + "/" + name)) {
            path = resources + "/" + lproj + "/" + name;
            break;
        }
    }
    if (path.empty() && platform::fileExists(resources + "/" + name)) {
        path = resources + "/" + name;
    }
    std::string& error = platform::lastNibError();
    if (path.empty()) {
        error = name + ": not in the bundle's resources";
        return kIBCarbonRuntimeCantFindNibFile;
    }
    std::shared_ptr<const NibWindows>& cached = nibCache()[inBundle][path];
    if (cached == nullptr) {
        plist_t root = nullptr;
        if (!platform::readPropertyListFile(path, &root, &error)) {
            nibCache()[inBundle].erase(path);
            return kIBCarbonRuntimeObjectNotOfRequestedType;
        }
        auto windows = std::make_shared<NibWindows>();
        bool ok = platform::NibReader().read(root, windows.get(), &error);
        plist_free(root);
        if (!ok) {
            error = path + ": " + error;
            nibCache()[inBundle].erase(path);
            return kIBCarbonRuntimeObjectNotOfRequestedType;
        }
        cached = std::move(windows);
    }
    auto* nib = platform::createObject<OpaqueIBNibRef>(&kNibClass);
    if (nib == nullptr) {
        return memFullErr;
    }
    nib->windows = cached;
    *outNibRef = nib;
    return noErr;
}

OSStatus CreateWindowFromNib(IBNibRef inNibRef, CFStringRef inName, WindowRef* outWindow) {
    OpaqueIBNibRef* nib = platform::objectAs<OpaqueIBNibRef>(inNibRef, &kNibClass);
    if (nib == nullptr || inName == nullptr || outWindow == nullptr) {
        return paramErr;
    }
    auto found = nib->windows->find(platform::stringToUtf8(inName));
    if (found == nib->windows->end()) {
        return kIBCarbonRuntimeCantFindObject;
    }
    const platform::WindowDesc& desc = found->second;
    WindowRef window = platform::createWindow(desc.title, desc.bounds);
    if (window == nullptr) {
        return memFullErr;
    }
    if (!platform::buildControls(window, nullptr, desc.controls)) {
        DisposeWindow(window);
        return memFullErr;
    }
    window->nibName = found->first;
    *outWindow = window;
    return noErr;
}

void DisposeNibReference(IBNibRef inNibRef) {
    platform::releaseObject(platform::objectAs<OpaqueIBNibRef>(inNibRef, &kNibClass));
}

} // extern "C"
