#include <CoreFoundation/CoreFoundation.h>

#include "../common/Object.h"
#include "../common/PropertyList.h"
#include "../common/TypeIDs.h"
#include "Bundles.h"
#include "PlugIns.h"
#include "PropertyListObjects.h"
#include "Strings.h"
#include "StringsFile.h"
#include "URLs.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sys/stat.h>

struct __CFBundle : platform::Object {
    std::string path;
    CFDictionaryRef info = nullptr;
    std::string identifier;
    // Parsed string tables by "lproj/table"; a table that is missing or malformed is empty.
    std::map<std::string, std::map<std::string, std::string>> tables;
};

namespace {

std::vector<__CFBundle*>& registry() {
    static std::vector<__CFBundle*> bundles;
    return bundles;
}

void bundleFinalize(platform::Object* object) {
    auto* bundle = static_cast<__CFBundle*>(object);
    platform::forgetPlugIn(bundle);
    platform::forgetNibs(bundle);
    auto& bundles = registry();
    bundles.erase(std::remove(bundles.begin(), bundles.end(), bundle), bundles.end());
    if (bundle->info != nullptr) {
        CFRelease(bundle->info);
        bundle->info = nullptr;
    }
}

std::string bundleDescribe(const platform::Object* object) {
    return "<CFBundle " + static_cast<const __CFBundle*>(object)->path + ">";
}

const platform::ObjectClass kBundleClass = {
    "CFBundle", platform::kTypeIDBundle, bundleFinalize, nullptr, nullptr, bundleDescribe};

__CFBundle* asBundle(CFBundleRef bundle) {
    return platform::objectAs<__CFBundle>(bundle, &kBundleClass);
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// "de_DE.UTF-8" gives "de_DE" and "de"; "C" and "POSIX" give nothing.
std::vector<std::string> userLanguages() {
    std::vector<std::string> languages;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0') {
            continue;
        }
        std::string locale = value;
        locale = locale.substr(0, locale.find_first_of(".@"));
        if (locale == "C" || locale == "POSIX" || locale.empty()) {
            break;
        }
        languages.push_back(locale);
        size_t underscore = locale.find('_');
        if (underscore != std::string::npos) {
            languages.push_back(locale.substr(0, underscore));
        }
        break;
    }
    return languages;
}

const std::map<std::string, std::string>& table(__CFBundle* bundle, const std::string& lproj,
                                                const std::string& name) {
    std::string id = lproj + "/" + name;
    auto found = bundle->tables.find(id);
    if (found != bundle->tables.end()) {
        return found->second;
    }
    std::map<std::string, std::string> entries;
    std::string bytes;
    std::string error;
    std::string path = bundle->path + "/Contents/Resources/" + lproj + "/" + name + ".strings";
    if (platform::readWholeFile(path, 1024 * 1024, &bytes, &error)) {
        if (!platform::parseStringsFile(bytes, &entries, &error)) {
            entries.clear();
        }
    }
    return bundle->tables.emplace(id, std::move(entries)).first->second;
}

} // namespace

namespace platform {

CFBundleRef openBundle(const std::string& path, std::string* error) {
    if (!isDirectory(path)) {
        *error = path + ": not a folder";
        return nullptr;
    }
    plist_t root = nullptr;
    if (!readPropertyListFile(path + "/Contents/Info.plist", &root, error)) {
        return nullptr;
    }
    if (plist_get_node_type(root) != PLIST_DICT) {
        plist_free(root);
        *error = path + "/Contents/Info.plist: not a dictionary";
        return nullptr;
    }
    CFTypeRef info = createObjectFromPropertyList(root);
    plist_free(root);
    if (info == nullptr) {
        *error = "out of memory";
        return nullptr;
    }
    auto* bundle = createObject<__CFBundle>(&kBundleClass);
    if (bundle == nullptr) {
        CFRelease(info);
        *error = "out of memory";
        return nullptr;
    }
    // The bundle is known by its real path, without links or "..".
    char* real = realpath(path.c_str(), nullptr);
    bundle->path = real != nullptr ? real : path;
    std::free(real);
    while (bundle->path.size() > 1 && bundle->path.back() == '/') {
        bundle->path.pop_back();
    }
    bundle->info = static_cast<CFDictionaryRef>(info);
    bundle->identifier = bundleInfoString(bundle, kCFBundleIdentifierKey);
    registry().insert(registry().begin(), bundle);
    return bundle;
}

std::string bundlePath(CFBundleRef bundle) {
    __CFBundle* b = asBundle(bundle);
    return b == nullptr ? std::string() : b->path;
}

std::string bundleResourcesPath(CFBundleRef bundle) {
    __CFBundle* b = asBundle(bundle);
    return b == nullptr ? std::string() : b->path + "/Contents/Resources";
}

std::vector<std::string> bundleLocalizations(CFBundleRef bundle) {
    std::vector<std::string> candidates = userLanguages();
    std::string region = bundleInfoString(bundle, CFSTR("CFBundleDevelopmentRegion"));
    if (!region.empty()) {
        candidates.push_back(region);
    }
    for (const char* fallback : {"en", "English", "Base"}) {
        candidates.emplace_back(fallback);
    }
    std::vector<std::string> found;
    std::string resources = bundleResourcesPath(bundle);
    for (const std::string& language : candidates) {
        std::string lproj = language + ".lproj";
        if (std::find(found.begin(), found.end(), lproj) == found.end() &&
            isDirectory(resources + "/" + lproj)) {
            found.push_back(lproj);
        }
    }
    return found;
}

std::vector<CFBundleRef> liveBundles() {
    return std::vector<CFBundleRef>(registry().begin(), registry().end());
}

std::string bundleInfoString(CFBundleRef bundle, CFStringRef key) {
    CFTypeRef value = CFBundleGetValueForInfoDictionaryKey(bundle, key);
    if (value == nullptr || CFGetTypeID(value) != CFStringGetTypeID()) {
        return {};
    }
    return stringToUtf8(static_cast<CFStringRef>(value));
}

} // namespace platform

extern "C" {

CFTypeID CFBundleGetTypeID(void) {
    return platform::kTypeIDBundle;
}

CFBundleRef CFBundleCreate(CFAllocatorRef, CFURLRef bundleURL) {
    std::string error;
    return platform::openBundle(platform::urlPath(bundleURL), &error);
}

CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID) {
    std::string id = platform::stringToUtf8(bundleID);
    if (id.empty()) {
        return nullptr;
    }
    for (__CFBundle* bundle : registry()) {
        if (bundle->identifier == id) {
            return bundle;
        }
    }
    return nullptr;
}

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle) {
    CFTypeRef value = CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleIdentifierKey);
    // An empty identifier identifies nothing: the bundle can't be found by it either.
    return value != nullptr && CFGetTypeID(value) == CFStringGetTypeID() &&
                   CFStringGetLength(static_cast<CFStringRef>(value)) > 0
               ? static_cast<CFStringRef>(value)
               : nullptr;
}

CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle) {
    __CFBundle* b = asBundle(bundle);
    return b == nullptr ? nullptr : b->info;
}

CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key) {
    __CFBundle* b = asBundle(bundle);
    if (b == nullptr || key == nullptr) {
        return nullptr;
    }
    return CFDictionaryGetValue(b->info, key);
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle) {
    __CFBundle* b = asBundle(bundle);
    return b == nullptr ? nullptr : platform::createURL(b->path, true);
}

CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle) {
    __CFBundle* b = asBundle(bundle);
    return b == nullptr ? nullptr : platform::createURL(platform::bundleResourcesPath(b), true);
}

CFStringRef CFBundleCopyLocalizedString(CFBundleRef bundle, CFStringRef key, CFStringRef value,
                                        CFStringRef tableName) {
    __CFBundle* b = asBundle(bundle);
    if (key == nullptr) {
        return nullptr;
    }
    std::string name = platform::stringToUtf8(tableName);
    if (name.empty()) {
        name = "Localizable";
    }
    std::string wanted = platform::stringToUtf8(key);
    if (b != nullptr) {
        for (const std::string& lproj : platform::bundleLocalizations(b)) {
            const auto& entries = table(b, lproj, name);
            auto found = entries.find(wanted);
            if (found != entries.end()) {
                return platform::createStringFromUtf8Lenient(found->second);
            }
        }
    }
    if (value != nullptr && CFStringGetLength(value) > 0) {
        return CFStringCreateCopy(nullptr, value);
    }
    return CFStringCreateCopy(nullptr, key);
}

} // extern "C"
