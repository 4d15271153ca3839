// A bundle's Info.plist from any bytes: the bundle opens or is a clear error; an open bundle
// answers for its keys, strings and resources, loads as a plug-in or says why not, and leaves
// nothing behind.
#include "FuzzSupport.h"

#include <string>

namespace {

std::string gBundle;

void askEverything(CFBundleRef bundle) {
    for (CFStringRef key :
         {CFSTR("CFBundleIdentifier"), CFSTR("CFBundleHelpBookName"), CFSTR("CFBundleExecutable"),
          CFSTR("CFPlugInFactories"), CFSTR("CFPlugInTypes"), CFSTR("CFBundleDevelopmentRegion")}) {
        CFBundleGetValueForInfoDictionaryKey(bundle, key);
    }
    CFStringRef text = CFBundleCopyLocalizedString(bundle, CFSTR("Accounting"), nullptr, nullptr);
    if (text != nullptr) {
        CFRelease(text);
    }
    CFURLRef resources = CFBundleCopyResourcesDirectoryURL(bundle);
    if (resources != nullptr) {
        CFRelease(resources);
    }
    CFStringRef identifier = CFBundleGetIdentifier(bundle);
    if (identifier != nullptr) {
        fuzzCheck(CFBundleGetBundleWithIdentifier(identifier) != nullptr,
                  "an open bundle is found by its identifier");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    gBundle = fuzzFolder() + "/Info.bundle";
    makeFuzzFolders(gBundle + "/Contents/Resources/en.lproj");
    makeFuzzFolders(gBundle + "/Contents/MacOS");
    const std::string strings = "\"Accounting\" = \"Abrechnung\";\n";
    writeFuzzFile(gBundle + "/Contents/Resources/en.lproj/Localizable.strings",
                  reinterpret_cast<const uint8_t*>(strings.data()), strings.size());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    writeFuzzFile(gBundle + "/Contents/Info.plist", data, size);
    NoObjectLeftAlive guard;
    std::string error;
    CFBundleRef bundle = PlatformHost::openBundle(gBundle, &error);
    if (bundle == nullptr) {
        fuzzCheck(!error.empty() && error.find('\n') == std::string::npos,
                  "a bundle that fails to open says why in one line");
        return 0;
    }
    askEverything(bundle);
    CFURLRef url = CFBundleCopyBundleURL(bundle);
    CFPlugInRef plugIn = url != nullptr ? CFPlugInCreate(nullptr, url) : nullptr;
    if (plugIn != nullptr) {
        CFRelease(plugIn);
    }
    if (url != nullptr) {
        CFRelease(url);
    }
    CFRelease(bundle);
    PlatformHost::unloadUnusedPlugIns();
    return 0;
}
