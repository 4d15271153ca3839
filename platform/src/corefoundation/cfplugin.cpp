// Plug-in bundles: their factories and types from Info.plist, the loading of their executable,
// and the live instances of each factory. An executable is unloaded once no factory of its
// bundle has a live instance, at the next safe moment: never from inside its own code.
#include <CoreFoundation/CoreFoundation.h>

#include "../common/Messages.h"
#include "Bundles.h"
#include "PlugIns.h"
#include "Strings.h"
#include "URLs.h"

#include <algorithm>
#include <dlfcn.h>
#include <map>
#include <string>
#include <vector>

namespace platform {
namespace {

struct Factory {
    CFBundleRef bundle; // not retained: the registration goes with the bundle
    std::string function;
    long instances = 0;
};

struct LoadedExecutable {
    void* handle = nullptr;
    bool unloadWhenUnused = false;
};

struct Registry {
    std::map<std::string, Factory> factories;              // by factory UUID text
    std::map<std::string, std::vector<std::string>> types; // type UUID text -> factory UUIDs
    std::map<CFBundleRef, LoadedExecutable> executables;
    std::string lastError;
};

Registry& registry() {
    static Registry* r = new Registry();
    return *r;
}

std::string uuidKey(CFUUIDRef uuid) {
    CFStringRef text = CFUUIDCreateString(nullptr, uuid);
    std::string key = stringToUtf8(text);
    if (text != nullptr) {
        CFRelease(text);
    }
    return key;
}

// The text of a UUID written in Info.plist, upper-cased as CFUUIDCreateString gives it.
std::string normalisedUUID(CFStringRef text) {
    CFUUIDRef uuid = CFUUIDCreateFromString(nullptr, text);
    if (uuid == nullptr) {
        return {};
    }
    std::string key = uuidKey(uuid);
    CFRelease(uuid);
    return key;
}

bool bundleHasInstances(CFBundleRef bundle) {
    for (const auto& [id, factory] : registry().factories) {
        if (factory.bundle == bundle && factory.instances > 0) {
            return true;
        }
    }
    return false;
}

// The message stays one line, whatever names from the bundle's files it quotes.
bool fail(const std::string& message) {
    registry().lastError = escapedForMessage(message);
    return false;
}

bool registerPlugIn(CFBundleRef bundle) {
    std::string path = bundlePath(bundle);
    CFTypeRef factories = CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("CFPlugInFactories"));
    CFTypeRef types = CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("CFPlugInTypes"));
    if (factories == nullptr || CFGetTypeID(factories) != CFDictionaryGetTypeID() ||
        types == nullptr || CFGetTypeID(types) != CFDictionaryGetTypeID()) {
        return fail(path + ": Info.plist has no CFPlugInFactories and CFPlugInTypes dictionaries");
    }
    auto factoryDict = static_cast<CFDictionaryRef>(factories);
    std::vector<const void*> keys(static_cast<size_t>(CFDictionaryGetCount(factoryDict)));
    std::vector<const void*> values(keys.size());
    CFDictionaryGetKeysAndValues(factoryDict, keys.data(), values.data());
    std::map<std::string, Factory> found;
    for (size_t i = 0; i < keys.size(); ++i) {
        std::string id = normalisedUUID(static_cast<CFStringRef>(keys[i]));
        if (id.empty() || CFGetTypeID(values[i]) != CFStringGetTypeID()) {
            return fail(path + ": a CFPlugInFactories entry is not a UUID naming a function");
        }
        found[id] = Factory{bundle, stringToUtf8(static_cast<CFStringRef>(values[i]))};
    }
    auto typeDict = static_cast<CFDictionaryRef>(types);
    keys.assign(static_cast<size_t>(CFDictionaryGetCount(typeDict)), nullptr);
    values.assign(keys.size(), nullptr);
    CFDictionaryGetKeysAndValues(typeDict, keys.data(), values.data());
    std::map<std::string, std::vector<std::string>> typeMap;
    for (size_t i = 0; i < keys.size(); ++i) {
        std::string type = normalisedUUID(static_cast<CFStringRef>(keys[i]));
        if (type.empty() || CFGetTypeID(values[i]) != CFArrayGetTypeID()) {
            return fail(path + ": a CFPlugInTypes entry is not a UUID with an array of factories");
        }
        auto list = static_cast<CFArrayRef>(values[i]);
        for (CFIndex k = 0; k < CFArrayGetCount(list); ++k) {
            auto item = static_cast<CFStringRef>(CFArrayGetValueAtIndex(list, k));
            std::string factory =
                CFGetTypeID(item) == CFStringGetTypeID() ? normalisedUUID(item) : std::string();
            if (factory.empty() || found.count(factory) == 0) {
                return fail(path + ": CFPlugInTypes names a factory that CFPlugInFactories lacks");
            }
            typeMap[type].push_back(factory);
        }
    }
    Registry& r = registry();
    for (auto& [id, factory] : found) {
        auto existing = r.factories.find(id);
        long instances = existing == r.factories.end() ? 0 : existing->second.instances;
        r.factories[id] = factory;
        r.factories[id].instances = instances;
    }
    for (auto& [type, list] : typeMap) {
        auto& known = r.types[type];
        for (const std::string& factory : list) {
            if (std::find(known.begin(), known.end(), factory) == known.end()) {
                known.push_back(factory);
            }
        }
    }
    return true;
}

void* loadExecutable(CFBundleRef bundle) {
    LoadedExecutable& loaded = registry().executables[bundle];
    loaded.unloadWhenUnused = false;
    if (loaded.handle != nullptr) {
        return loaded.handle;
    }
    std::string name = bundleInfoString(bundle, kCFBundleExecutableKey);
    if (name.empty()) {
        fail(bundlePath(bundle) + ": Info.plist names no CFBundleExecutable");
        return nullptr;
    }
    // The executable is a file of the bundle's own: a name that climbs out of Contents/MacOS
    // (or reaches elsewhere by an absolute path) would load code from anywhere.
    if (name.find('/') != std::string::npos || name == "." || name == "..") {
        fail(bundlePath(bundle) + ": CFBundleExecutable \"" + name +
             "\" is not a file name in Contents/MacOS");
        return nullptr;
    }
    std::string path = bundlePath(bundle) + "/Contents/MacOS/" + name;
    loaded.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (loaded.handle == nullptr) {
        const char* why = dlerror();
        fail(path + ": " + (why != nullptr ? why : "cannot be loaded"));
    }
    return loaded.handle;
}

} // namespace

std::string lastPlugInError() {
    return registry().lastError;
}

long liveInstancesForFactory(const std::string& factoryUUID) {
    CFStringRef text = createStringFromUtf8Lenient(factoryUUID);
    std::string key = normalisedUUID(text);
    CFRelease(text);
    auto found = registry().factories.find(key);
    return found == registry().factories.end() ? 0 : found->second.instances;
}

int unloadUnusedPlugIns() {
    int unloaded = 0;
    for (auto& [bundle, loaded] : registry().executables) {
        if (loaded.handle != nullptr && loaded.unloadWhenUnused && !bundleHasInstances(bundle)) {
            dlclose(loaded.handle);
            loaded.handle = nullptr;
            loaded.unloadWhenUnused = false;
            ++unloaded;
        }
    }
    return unloaded;
}

bool isPlugInLoaded(CFBundleRef bundle) {
    auto found = registry().executables.find(bundle);
    return found != registry().executables.end() && found->second.handle != nullptr;
}

void forgetPlugIn(CFBundleRef bundle) {
    Registry& r = registry();
    auto loaded = r.executables.find(bundle);
    if (loaded != r.executables.end()) {
        // Code that still has live instances stays loaded for good.
        if (loaded->second.handle != nullptr && !bundleHasInstances(bundle)) {
            dlclose(loaded->second.handle);
        }
        r.executables.erase(loaded);
    }
    for (auto it = r.factories.begin(); it != r.factories.end();) {
        if (it->second.bundle != bundle) {
            ++it;
            continue;
        }
        for (auto& [type, list] : r.types) {
            list.erase(std::remove(list.begin(), list.end(), it->first), list.end());
        }
        if (it->second.instances == 0) {
            it = r.factories.erase(it);
        } else {
            it->second.bundle = nullptr;
            ++it;
        }
    }
}

} // namespace platform

extern "C" {

CFPlugInRef CFPlugInCreate(CFAllocatorRef, CFURLRef plugInURL) {
    std::string error;
    CFBundleRef bundle = platform::openBundle(platform::urlPath(plugInURL), &error);
    if (bundle == nullptr) {
        platform::registry().lastError = error;
        return nullptr;
    }
    if (!platform::registerPlugIn(bundle)) {
        CFRelease(bundle);
        return nullptr;
    }
    return bundle;
}

CFArrayRef CFPlugInFindFactoriesForPlugInType(CFUUIDRef typeUUID) {
    CFMutableArrayRef result = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    if (result == nullptr) {
        return nullptr;
    }
    auto found = platform::registry().types.find(platform::uuidKey(typeUUID));
    if (found != platform::registry().types.end()) {
        for (const std::string& factory : found->second) {
            CFStringRef text = platform::createStringFromUtf8Lenient(factory);
            CFUUIDRef uuid = CFUUIDCreateFromString(nullptr, text);
            CFRelease(text);
            if (uuid != nullptr) {
                CFArrayAppendValue(result, uuid);
                CFRelease(uuid);
            }
        }
    }
    return result;
}

void* CFPlugInInstanceCreate(CFAllocatorRef allocator, CFUUIDRef factoryUUID, CFUUIDRef typeUUID) {
    platform::unloadUnusedPlugIns();
    auto found = platform::registry().factories.find(platform::uuidKey(factoryUUID));
    if (found == platform::registry().factories.end()) {
        platform::fail("no plug-in has the factory " + platform::uuidKey(factoryUUID));
        return nullptr;
    }
    CFBundleRef bundle = found->second.bundle;
    std::string function = found->second.function;
    if (bundle == nullptr) {
        platform::fail("the plug-in of the factory " + platform::uuidKey(factoryUUID) +
                       " has been released");
        return nullptr;
    }
    void* handle = platform::loadExecutable(bundle);
    if (handle == nullptr) {
        return nullptr;
    }
    dlerror();
    void* symbol = dlsym(handle, function.c_str());
    if (symbol == nullptr) {
        platform::fail(platform::bundlePath(bundle) + ": the executable has no function " +
                       function);
        platform::registry().executables[bundle].unloadWhenUnused = true;
        return nullptr;
    }
    auto factory = reinterpret_cast<CFPlugInFactoryFunction>(symbol);
    void* instance = factory(allocator, typeUUID);
    if (instance == nullptr) {
        platform::registry().executables[bundle].unloadWhenUnused = true;
    }
    return instance;
}

void CFPlugInAddInstanceForFactory(CFUUIDRef factoryID) {
    std::string key = platform::uuidKey(factoryID);
    auto found = platform::registry().factories.find(key);
    if (found != platform::registry().factories.end()) {
        ++found->second.instances;
    } else {
        // A factory of a bundle this platform did not load still counts its instances.
        platform::registry().factories[key].instances = 1;
    }
}

void CFPlugInRemoveInstanceForFactory(CFUUIDRef factoryID) {
    auto found = platform::registry().factories.find(platform::uuidKey(factoryID));
    if (found == platform::registry().factories.end() || found->second.instances <= 0) {
        return;
    }
    if (--found->second.instances == 0 && found->second.bundle != nullptr) {
        // The caller is still running inside the executable: it is unloaded later.
        platform::registry().executables[found->second.bundle].unloadWhenUnused = true;
    }
}

} // extern "C"
