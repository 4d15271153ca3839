// What other platform families need of CFBundle's inside.
#pragma once

#include <CoreFoundation/CFBundle.h>

#include <string>
#include <vector>

namespace platform {

// A new bundle for the folder, or null with a message that says what is wrong with it.
CFBundleRef openBundle(const std::string& path, std::string* error);
std::string bundlePath(CFBundleRef bundle);
std::string bundleResourcesPath(CFBundleRef bundle);
// The bundle's lproj folder names in the order they are preferred: the user's language (from
// LC_ALL, LC_MESSAGES or LANG), the development region, then English. Only folders that exist.
std::vector<std::string> bundleLocalizations(CFBundleRef bundle);
// The live bundles, newest first.
std::vector<CFBundleRef> liveBundles();
// Forgets the nibs the bundle has read and kept (when the bundle goes).
void forgetNibs(CFBundleRef bundle);
// The text of an information-dictionary string value; empty when absent or not a string.
std::string bundleInfoString(CFBundleRef bundle, CFStringRef key);

} // namespace platform
