#include "host/ProgramOptions.h"

#include <iostream>

CommandLine readCommandLine(int argc, char** argv, const ProgramInfo& program, CupsServer* server,
                            const std::vector<ProgramOption>& options,
                            std::vector<std::string>* words,
                            std::vector<std::string>* serverOptions) {
    auto wrong = [&] {
        std::cerr << program.usage;
        return CommandLine::Wrong;
    };
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        ServerOption given = parseServerOption(argc, argv, &i, server);
        if (given == ServerOption::Bad) {
            return wrong();
        }
        if (given == ServerOption::Taken) {
            if (serverOptions != nullptr) {
                serverOptions->push_back(arg);
            }
            continue;
        }
        if (arg == "--help") {
            std::cout << program.help;
            return CommandLine::Shown;
        }
        if (arg == "--version") {
            std::cout << program.name << " " << ACCOUNTING_VERSION << "\n";
            return CommandLine::Shown;
        }
        const ProgramOption* option = nullptr;
        for (const ProgramOption& candidate : options) {
            if (candidate.name == arg) {
                option = &candidate;
            }
        }
        if (option == nullptr) {
            if (words == nullptr || (!arg.empty() && arg[0] == '-')) {
                return wrong();
            }
            words->push_back(arg);
            continue;
        }
        if (option->takesValue && i + 1 >= argc) {
            return wrong();
        }
        if (!option->take(option->takesValue ? argv[++i] : "")) {
            return wrong();
        }
    }
    return CommandLine::Read;
}
