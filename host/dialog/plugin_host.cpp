#include "host/dialog/PlugInHost.h"

#include <PlatformHost.h>

std::unique_ptr<PlugInHost> PlugInHost::load(const std::string& bundlePath, std::string* error) {
    std::unique_ptr<PlugInHost> host(new PlugInHost());
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(bundlePath.data()),
        static_cast<CFIndex>(bundlePath.size()), true);
    host->plugIn_ = url != nullptr ? CFPlugInCreate(nullptr, url) : nullptr;
    if (url != nullptr) {
        CFRelease(url);
    }
    if (host->plugIn_ == nullptr) {
        *error = PlatformHost::lastPlugInError();
        return nullptr;
    }
    CFUUIDRef type = CFUUIDCreateFromString(nullptr, CFSTR(kPDEPlugInTypeUUIDString));
    CFArrayRef factories = CFPlugInFindFactoriesForPlugInType(type);
    if (factories == nullptr || CFArrayGetCount(factories) == 0) {
        *error = bundlePath + ": the bundle makes no print-dialog extension";
    } else {
        auto factory = static_cast<CFUUIDRef>(CFArrayGetValueAtIndex(factories, 0));
        host->instance_ =
            static_cast<IUnknownVTbl**>(CFPlugInInstanceCreate(nullptr, factory, type));
        if (host->instance_ == nullptr) {
            *error = PlatformHost::lastPlugInError();
            if (error->empty()) {
                *error = bundlePath + ": the factory made no instance";
            }
        }
    }
    if (factories != nullptr) {
        CFRelease(factories);
    }
    CFRelease(type);
    if (host->instance_ == nullptr) {
        return nullptr;
    }
    CFUUIDRef interface = CFUUIDCreateFromString(nullptr, CFSTR(kDialogExtensionIntfIDString));
    void* extension = nullptr;
    HRESULT result =
        (*host->instance_)
            ->QueryInterface(host->instance_, CFUUIDGetUUIDBytes(interface), &extension);
    CFRelease(interface);
    if (result != S_OK || extension == nullptr) {
        *error = bundlePath + ": the instance has no dialog-extension interface";
        return nullptr;
    }
    host->extension_ = static_cast<PlugInIntf*>(extension);
    return host;
}

void PlugInHost::release() {
    if (extension_ != nullptr) {
        auto* header = reinterpret_cast<PMPlugInHeaderInterface*>(extension_);
        extension_->vtable->plugInHeader.Release(&header);
        extension_ = nullptr;
    }
    if (instance_ != nullptr) {
        (*instance_)->Release(instance_);
        instance_ = nullptr;
    }
}

PlugInHost::~PlugInHost() {
    release();
    if (plugIn_ != nullptr) {
        CFRelease(plugIn_);
    }
    PlatformHost::unloadUnusedPlugIns();
}
