#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string gFolder;

void removeFolder() {
    if (!gFolder.empty()) {
        std::string command = "rm -rf '" + gFolder + "'";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "could not remove %s\n", gFolder.c_str());
        }
    }
}

} // namespace

const std::string& fuzzFolder() {
    if (gFolder.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr ? tmp : "/tmp") + "/accounting-fuzz-XXXXXX";
        char* made = mkdtemp(pattern.data());
        fuzzCheck(made != nullptr, "a temporary folder");
        gFolder = made;
        std::atexit(removeFolder);
    }
    return gFolder;
}

void writeFuzzFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    fuzzCheck(file != nullptr, "writable " + path);
    fuzzCheck(size == 0 || std::fwrite(data, 1, size, file) == size, "written " + path);
    std::fclose(file);
}

void makeFuzzFolders(const std::string& path) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '/') {
            mkdir(path.substr(0, at).c_str(), 0755);
        }
    }
}
