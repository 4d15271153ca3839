// The PPD library on libcups. libcups marks its PPD reader deprecated in favour of IPP, but a
// PPD file is what the printer-info ticket names, so it is the reader to use here.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <PrintCore/PPDLib.h>

#include "../common/Object.h"
#include "../common/TypeIDs.h"

#include <cups/ppd.h>

#include <algorithm>
#include <cstdio>
#include <new>

#include <cstring>
#include <string>

struct OpaquePPDContext : platform::Object {
    ppd_file_t* ppd = nullptr;
};

struct OpaquePPDFileRecord {
    std::string path;
};

namespace {

void ppdFinalize(platform::Object* object) {
    auto* context = static_cast<OpaquePPDContext*>(object);
    if (context->ppd != nullptr) {
        ppdClose(context->ppd);
        context->ppd = nullptr;
    }
}

const platform::ObjectClass kPPDClass = {
    "PPD", platform::kTypeIDPrinting, ppdFinalize, nullptr, nullptr, nullptr};

OpaquePPDContext* asPPD(ppdContext ppd) {
    return platform::objectAs<OpaquePPDContext>(ppd, &kPPDClass);
}

std::string pascalToString(ConstStr255Param p) {
    return p == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(p + 1), p[0]);
}

} // namespace

extern "C" {

OSStatus ppdOpenCompiledPPDFromTicket(PMTicketRef printerInfo, ppdContext* ppd,
                                      ppdFileRecord* file) {
    if (ppd == nullptr || file == nullptr) {
        return paramErr;
    }
    char path[4096];
    OSStatus status = PMTicketGetCString(printerInfo, kPMTopLevel, kPMTopLevel, kPMPPDPathKey,
                                         sizeof path, kCFStringEncodingUTF8, path);
    if (status != noErr) {
        return status == kPMInvalidTicket ? status : OSStatus{kPPDFileNotFoundErr};
    }
    FILE* probe = std::fopen(path, "rb");
    if (probe == nullptr) {
        return kPPDFileNotFoundErr;
    }
    std::fclose(probe);
    ppd_file_t* opened = ppdOpenFile(path);
    if (opened == nullptr) {
        return kPPDFileMalformedErr;
    }
    auto* context = platform::createObject<OpaquePPDContext>(&kPPDClass);
    auto* record = new (std::nothrow) OpaquePPDFileRecord{path};
    if (context == nullptr || record == nullptr) {
        ppdClose(opened);
        platform::releaseObject(context);
        delete record;
        return memFullErr;
    }
    context->ppd = opened;
    *ppd = context;
    *file = record;
    return noErr;
}

OSStatus ppdGetMainIndex(ppdContext ppd, ConstStr255Param keyword, ppdMainIndex* index) {
    OpaquePPDContext* context = asPPD(ppd);
    if (context == nullptr || keyword == nullptr || index == nullptr) {
        return paramErr;
    }
    std::string name = pascalToString(keyword);
    for (int i = 0; i < context->ppd->num_attrs; ++i) {
        if (std::strcmp(context->ppd->attrs[i]->name, name.c_str()) == 0) {
            *index = i;
            return noErr;
        }
    }
    return kPPDKeywordNotFoundErr;
}

OSStatus ppdGetInvocationString(ppdContext ppd, ppdMainIndex index, StringPtr value) {
    OpaquePPDContext* context = asPPD(ppd);
    if (context == nullptr || value == nullptr) {
        return paramErr;
    }
    if (index < 0 || index >= context->ppd->num_attrs) {
        return kPPDKeywordNotFoundErr;
    }
    const char* text = context->ppd->attrs[index]->value;
    size_t length = text == nullptr ? 0 : std::min<size_t>(std::strlen(text), 255);
    value[0] = static_cast<unsigned char>(length);
    if (length > 0) {
        std::memcpy(value + 1, text, length);
    }
    return noErr;
}

OSStatus ppdCloseCompiledPPDFromTicket(ppdContext ppd, ppdFileRecord file) {
    OpaquePPDContext* context = asPPD(ppd);
    if (context == nullptr) {
        return paramErr;
    }
    platform::releaseObject(context);
    delete file;
    return noErr;
}

short PLstrcmp(ConstStr255Param str1, ConstStr255Param str2) {
    std::string a = pascalToString(str1);
    std::string b = pascalToString(str2);
    int order = a.compare(b);
    return static_cast<short>(order < 0 ? -1 : order > 0 ? 1 : 0);
}

} // extern "C"
