#include "host/ProgramLayout.h"

#include <unistd.h>

namespace {

// The folder this program lives in: the build's bin/, or the installed one.
std::string programFolder() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        return ".";
    }
    std::string exe(path, static_cast<size_t>(n));
    return exe.substr(0, exe.find_last_of('/'));
}

bool exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

} // namespace

// The catalogues sit beside the program's lib folder, in the build folder as installed.
std::string localeFolder() {
    return programFolder() + "/../" + ACCOUNTING_INSTALL_LOCALEDIR;
}

ProgramLayout programLayout() {
    std::string top = programFolder() + "/..";
    std::string installed = top + "/" + ACCOUNTING_INSTALL_LIBDIR;
    if (exists(installed + "/Accounting.plugin")) {
        return {installed, top + "/" + ACCOUNTING_INSTALL_DATADIR + "/examples/demo.scenario"};
    }
    return {top, std::string(ACCOUNTING_SOURCE_DIR) + "/examples/demo.scenario"};
}
