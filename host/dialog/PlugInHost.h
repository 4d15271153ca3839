// Loads a print-dialog extension the way the platform's plug-in loader does: the bundle's
// property list, the factories for the dialog-extension type, the executable, the factory by
// name, then QueryInterface for the dialog-extension interface.
#pragma once

#include <Carbon/Carbon.h>

#include <memory>
#include <string>

class PlugInHost {
  public:
    // Null with a one-line message when the bundle is not a loadable extension.
    static std::unique_ptr<PlugInHost> load(const std::string& bundlePath, std::string* error);
    // Releases what is left, releases the bundle and unloads its executable.
    ~PlugInHost();
    PlugInHost(const PlugInHost&) = delete;
    PlugInHost& operator=(const PlugInHost&) = delete;

    // The dialog-extension interface (null once released).
    PlugInIntf* extension() const { return extension_; }
    PlugInIntfVTable& table() const { return *extension_->vtable; }
    // Releases the interface record and the instance.
    void release();
    bool released() const { return instance_ == nullptr; }
    CFPlugInRef plugIn() const { return plugIn_; }

  private:
    PlugInHost() = default;
    CFPlugInRef plugIn_ = nullptr;
    IUnknownVTbl** instance_ = nullptr;
    PlugInIntf* extension_ = nullptr;
};
