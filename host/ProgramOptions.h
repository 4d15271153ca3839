// The command line of the host's programs, read one way for all of them: the options that choose
// the server (--server, --encryption, --user, --timeout), --help and --version, each program's
// own options, and the words that are not options (scenario files, an action and a queue).
#pragma once

#include "host/printing/CupsClient.h"

#include <functional>
#include <string>
#include <vector>

struct ProgramOption {
    std::string name;        // "--once"
    bool takesValue = false; // "--bundle PATH"
    // Takes the value (empty for an option without one); false when the value is wrong.
    std::function<bool(const std::string& value)> take;
};

// An option whose value is kept as it stands.
inline std::function<bool(const std::string&)> storeIn(std::string* into) {
    return [into](const std::string& value) {
        *into = value;
        return true;
    };
}
// An option without a value that sets a flag.
inline std::function<bool(const std::string&)> setFlag(bool* flag, bool to = true) {
    return [flag, to](const std::string&) {
        *flag = to;
        return true;
    };
}

struct ProgramInfo {
    const char* name;  // "accounting-agent", as --version shows it
    const char* help;  // what --help shows
    const char* usage; // the usage line and its hint, for a wrong command line
};

enum class CommandLine {
    Read,  // go on
    Shown, // --help or --version was shown: exit 0
    Wrong, // the usage was shown: exit 2
};

// Reads argv into the server, the options and the words (a program that takes none passes
// null); the server's options that were given are named in serverOptions.
CommandLine readCommandLine(int argc, char** argv, const ProgramInfo& program, CupsServer* server,
                            const std::vector<ProgramOption>& options,
                            std::vector<std::string>* words,
                            std::vector<std::string>* serverOptions = nullptr);

// The exit status for a command line not Read: 0 when shown, 2 when wrong.
inline int exitStatus(CommandLine read) {
    return read == CommandLine::Shown ? 0 : 2;
}
