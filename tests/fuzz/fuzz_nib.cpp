// A nib from any bytes: it opens or is a clear error, and every window it makes can be drawn,
// clicked and typed into, and disposed of with nothing left behind.
#include "FuzzSupport.h"

#include <string>
#include <vector>

namespace {

std::string gBundlePath;
std::string gNibPath;

void useEveryControl(WindowRef window) {
    PlatformHost::renderWindow(window);
    for (ControlRef control : PlatformHost::controlsOf(window)) {
        PlatformHost::ControlState s;
        fuzzCheck(PlatformHost::controlState(control, &s), "a listed control has a state");
        fuzzCheck(s.kind != PlatformHost::ControlKind::PopupButton ||
                      (s.value >= s.minimum && s.value <= std::max(s.minimum, s.maximum)),
                  "a popup's value lies within its items");
        SInt32 value = s.maximum;
        PlatformHost::click(control,
                            s.kind == PlatformHost::ControlKind::PopupButton ? &value : nullptr);
        if (s.kind == PlatformHost::ControlKind::EditText ||
            s.kind == PlatformHost::ControlKind::PasswordEditText) {
            PlatformHost::typeText(control, "a\xC3\xA9");
            PlatformHost::typeKey(control, 8);
        }
    }
    PlatformHost::renderWindow(window);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string bundle = fuzzFolder() + "/Fuzz.bundle";
    makeFuzzFolders(bundle + "/Contents/Resources");
    const std::string info = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict/></plist>";
    writeFuzzFile(bundle + "/Contents/Info.plist", reinterpret_cast<const uint8_t*>(info.data()),
                  info.size());
    gNibPath = bundle + "/Contents/Resources/Fuzz.nib";
    writeFuzzFile(gNibPath, nullptr, 0);
    gBundlePath = bundle;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    writeFuzzFile(gNibPath, data, size);
    NoObjectLeftAlive guard;
    // A bundle reads a nib once and keeps it: each input needs a bundle of its own.
    std::string error;
    CFBundleRef bundle = PlatformHost::openBundle(gBundlePath, &error);
    fuzzCheck(bundle != nullptr, "the fuzz bundle opens: " + error);
    auto* poison = reinterpret_cast<IBNibRef>(0x1);
    IBNibRef nib = poison;
    if (CreateNibReferenceWithCFBundle(bundle, CFSTR("Fuzz"), &nib) != noErr) {
        CFRelease(bundle);
        fuzzCheck(nib == poison, "a nib that fails to open leaves the reference alone");
        std::string error = PlatformHost::lastNibError();
        fuzzCheck(!error.empty() && error.find('\n') == std::string::npos,
                  "a nib that fails to open says why in one line");
        return 0;
    }
    for (CFStringRef name : {CFSTR("Window"), CFSTR("Accounting"), CFSTR("Kontavar"), CFSTR("W")}) {
        WindowRef window = nullptr;
        if (CreateWindowFromNib(nib, name, &window) == noErr) {
            fuzzCheck(window != nullptr, "a window made from the nib");
            useEveryControl(window);
            DisposeWindow(window);
        }
    }
    DisposeNibReference(nib);
    CFRelease(bundle);
    return 0;
}
