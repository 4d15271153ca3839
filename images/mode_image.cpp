#include "images/ModeImage.h"

#include "images/ImageImportManager.h"
#include "settings/AccountingContext.h"

Rect imageDestination(const Rect& natural, const Rect& control) {
    auto dy = static_cast<SInt16>(control.top - natural.top);
    auto dx = static_cast<SInt16>(control.left - natural.left);
    return Rect{static_cast<SInt16>(natural.top + dy), static_cast<SInt16>(natural.left + dx),
                static_cast<SInt16>(natural.bottom + dy), static_cast<SInt16>(natural.right + dx)};
}

void DrawImage(CFStringRef name, ControlRef control, Erase erase) {
    if (control == nullptr) {
        return;
    }
    Rect bounds = {0, 0, 0, 0};
    GetControlBounds(control, &bounds);
    if (erase == Erase::First) {
        EraseRect(&bounds);
    }
    if (name == nullptr) {
        return;
    }
    ComponentInstance importer = ImageImportManager::componentForFilename(name);
    if (importer == nullptr) {
        return;
    }
    CGrafPtr port = GetWindowPort(GetControlOwner(control));
    if (GraphicsImportSetGWorld(importer, port, nullptr) != noErr) {
        return;
    }
    Rect natural = {0, 0, 0, 0};
    if (GraphicsImportGetNaturalBounds(importer, &natural) != noErr) {
        return;
    }
    Rect destination = imageDestination(natural, bounds);
    if (GraphicsImportSetDestRect(importer, &destination) != noErr) {
        return;
    }
    GraphicsImportDraw(importer);
}

extern "C" OSStatus AccountingDrawEventHandler(EventHandlerCallRef, EventRef event,
                                               void* userData) {
    auto* context = static_cast<AccountingContext*>(userData);
    if (GetEventClass(event) != kEventClassControl || GetEventKind(event) != kEventControlDraw) {
        return eventNotHandledErr;
    }
    ControlRef control = nullptr;
    GetEventParameter(event, kEventParamDirectObject, typeControlRef, nullptr, sizeof control,
                      nullptr, &control);
    if (context == nullptr || control == nullptr || control != context->imagePane) {
        return eventNotHandledErr;
    }
    CFStringRef name =
        context->accountingMode == kAccountingOff ? kAccountingOffImage : kAccountingOnImage;
    DrawImage(name, context->imagePane, Erase::First);
    return noErr;
}
