// The backend behind the guard: its URI and its program in CUPS's backend folder.
#include "host/guard/Guard.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

bool runsAsRoot(unsigned mode) {
    return (mode & (S_IROTH | S_IXOTH)) != (S_IROTH | S_IXOTH);
}

RealBackend findRealBackend(const std::string& deviceUri, const std::string& serverBin) {
    RealBackend backend;
    std::string prefix = std::string(kGuardScheme) + ":";
    if (deviceUri.compare(0, prefix.size(), prefix) != 0) {
        backend.problem = "the device URI " + deviceUri + " does not begin with " + prefix;
        return backend;
    }
    backend.uri = deviceUri.substr(prefix.size());
    size_t colon = backend.uri.find(':');
    std::string scheme = backend.uri.substr(0, colon);
    bool wellFormed = colon != std::string::npos && colon > 0;
    for (char c : scheme) {
        // A scheme is a file name here: letters, digits, "+", "-" and "." only, as RFC 3986 has.
        wellFormed = wellFormed && (std::isalnum(static_cast<unsigned char>(c)) || c == '+' ||
                                    c == '-' || c == '.');
    }
    if (!wellFormed || scheme == "." || scheme == "..") {
        backend.problem = "the device URI " + deviceUri + " names no printer URI after " + prefix;
        return backend;
    }
    if (scheme == kGuardScheme) {
        backend.problem = "the device URI " + deviceUri + " puts the guard in front of itself";
        return backend;
    }
    if (scheme == "file") {
        backend.problem = "file: devices are written by cupsd itself, with no backend to guard";
        return backend;
    }
    backend.program = serverBin + "/backend/" + scheme;
    struct stat st {};
    if (stat(backend.program.c_str(), &st) != 0) {
        backend.problem = "there is no backend for " + scheme + ": (" + backend.program + ": " +
                          std::strerror(errno) + ")";
        return backend;
    }
    if (!S_ISREG(st.st_mode) || (st.st_mode & S_IXUSR) == 0) {
        backend.problem = "the backend " + backend.program + " is not a program";
        return backend;
    }
    if (runsAsRoot(st.st_mode)) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        backend.problem = "the backend " + backend.program + " (mode " + mode +
                          ") runs only as root, and the guard runs as lp: print to this "
                          "printer through ipp://, ipps:// or socket:// instead";
        return backend;
    }
    backend.usable = true;
    return backend;
}

bool ownerOnClientsWord(const std::vector<std::string>& authentication) {
    if (authentication.empty()) {
        return true;
    }
    return std::any_of(authentication.begin(), authentication.end(), [](const std::string& way) {
        return way == "none" || way == "requesting-user-name";
    });
}
