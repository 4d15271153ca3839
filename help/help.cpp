#include "help/Help.h"

OSStatus DisplayHelp(CFBundleRef bundle, CFStringRef pagePath, CFStringRef anchorName) {
    CFTypeRef book =
        bundle == nullptr
            ? nullptr
            : CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("CFBundleHelpBookName"));
    if (book == nullptr || CFGetTypeID(book) != CFStringGetTypeID()) {
        return paramErr;
    }
    auto bookName = static_cast<CFStringRef>(book);
    if (anchorName != nullptr) {
        return AHLookupAnchor(bookName, anchorName);
    }
    return AHGotoPage(bookName, pagePath, nullptr);
}
