// Property-list files read through one guarded door. libplist 2.2 can overflow its stack on deeply
// nested input and read out of bounds on tiny files, so the bytes are checked for size and nesting
// before libplist sees them, every character must be one XML allows, and only XML property lists
// are accepted.
#pragma once

#include <plist/plist.h>

#include <cstdlib>
#include <string>

namespace platform {

constexpr size_t kMaxPropertyListBytes = 4 * 1024 * 1024;
constexpr int kMaxPropertyListDepth = 32;

// Reads a whole file of at most maxBytes; false with a message naming the path.
bool readWholeFile(const std::string& path, size_t maxBytes, std::string* bytes,
                   std::string* error);

// Why the text can't be an XML document in UTF-8: the first byte that is not UTF-8 or not an XML
// character (a control byte such as NUL), or a character reference to such a character. Empty
// when every character is allowed.
std::string findDisallowedCharacter(const std::string& text);

// Parses XML property-list text. On success the caller owns *root (plist_free).
bool parsePropertyList(const std::string& bytes, plist_t* root, std::string* error);

// Reads and parses a property-list file.
bool readPropertyListFile(const std::string& path, plist_t* root, std::string* error);

// The XML text of a property list.
std::string propertyListToXml(plist_t root);

// Calls visit with each key and value of a dictionary node, in its order, until visit answers
// false; false then, true when every entry was visited. The key is valid during the call only.
template <typename Visit>
bool forEachDictEntry(plist_t dict, Visit visit) {
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(dict, &iter);
    bool whole = true;
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dict, iter, &key, &value);
        if (key == nullptr) {
            break;
        }
        bool goOn = visit(static_cast<const char*>(key), value);
        free(key);
        if (!goOn) {
            whole = false;
            break;
        }
    }
    free(iter);
    return whole;
}

} // namespace platform
