#include <Help/AppleHelp.h>

#include "../common/PropertyList.h"
#include "../common/UserRecords.h"
#include "../corefoundation/Bundles.h"
#include "../corefoundation/Strings.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace platform {
namespace {

bool isFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folders that hold the book's pages: its folder in each localisation, then in Resources.
std::vector<std::string> bookFolders(const std::string& book) {
    std::vector<std::string> folders;
    if (book.empty()) {
        return folders;
    }
    for (CFBundleRef bundle : liveBundles()) {
        if (bundleInfoString(bundle, CFSTR("CFBundleHelpBookName")) != book) {
            continue;
        }
        std::string folder = bundleInfoString(bundle, CFSTR("CFBundleHelpBookFolder"));
        if (folder.empty()) {
            continue;
        }
        std::string resources = bundleResourcesPath(bundle);
        for (const std::string& lproj : bundleLocalizations(bundle)) {
            if (isFolder(resources + "/" + lproj + "/" + folder)) {
                folders.push_back(resources + "/" + lproj + "/" + folder);
            }
        }
        if (isFolder(resources + "/" + folder)) {
            folders.push_back(resources + "/" + folder);
        }
    }
    return folders;
}

bool pageHoldsAnchor(const std::string& file, const std::string& anchor) {
    std::string text;
    std::string error;
    if (!readWholeFile(file, 4 * 1024 * 1024, &text, &error)) {
        return false;
    }
    for (const char* attribute : {"name=\"", "id=\""}) {
        if (text.find(attribute + anchor + "\"") != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The first page under the folder, depth first in name order, that holds the anchor.
std::string findAnchor(const std::string& folder, const std::string& anchor, int depth) {
    if (depth > 16) {
        return {};
    }
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return {};
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string path = folder + "/" + name;
        if (isFolder(path)) {
            std::string found = findAnchor(path, anchor, depth + 1);
            if (!found.empty()) {
                return found;
            }
        } else if ((name.size() > 4 && name.compare(name.size() - 4, 4, ".htm") == 0) ||
                   (name.size() > 5 && name.compare(name.size() - 5, 5, ".html") == 0)) {
            if (pageHoldsAnchor(path, anchor)) {
                return path;
            }
        }
    }
    return {};
}

OSStatus record(const std::string& book, const std::string& page, const std::string& anchor,
                const std::string& file) {
    OSStatus status = file.empty() ? OSStatus{kAHInternalErr} : OSStatus{noErr};
    userRecords().helps.push_back({book, page, anchor, file, status});
    return status;
}

} // namespace
} // namespace platform

extern "C" {

OSStatus AHGotoPage(CFStringRef bookname, CFStringRef path, CFStringRef anchor) {
    std::string book = platform::stringToUtf8(bookname);
    std::string page = platform::stringToUtf8(path);
    std::string mark = platform::stringToUtf8(anchor);
    std::string file;
    bool safe = page.find("..") == std::string::npos && !page.empty() && page[0] != '/';
    for (const std::string& folder : platform::bookFolders(book)) {
        if (safe && platform::isFile(folder + "/" + page) &&
            (mark.empty() || platform::pageHoldsAnchor(folder + "/" + page, mark))) {
            file = folder + "/" + page;
            break;
        }
    }
    return platform::record(book, page, mark, file);
}

OSStatus AHLookupAnchor(CFStringRef bookname, CFStringRef anchor) {
    std::string book = platform::stringToUtf8(bookname);
    std::string mark = platform::stringToUtf8(anchor);
    std::string file;
    for (const std::string& folder : platform::bookFolders(book)) {
        if (!mark.empty() && !(file = platform::findAnchor(folder, mark, 0)).empty()) {
            break;
        }
    }
    return platform::record(book, "", mark, file);
}

} // extern "C"
