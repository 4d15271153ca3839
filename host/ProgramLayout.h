// Where a host program finds what it loads. Installed: beside it under its library and data
// folders; in the build tree: in the build folder, with the demo in the sources.
#pragma once

#include <string>

struct ProgramLayout {
    std::string bundles; // the folder holding Accounting.plugin and QuorvHelp.bundle
    std::string demo;    // the demo scenario
};

ProgramLayout programLayout();
// The host's message catalogues.
std::string localeFolder();
