// The table of scenario commands against the README's table of them: every form the README
// shows is registered in the group its row names, and every registered form is shown there.
#include "host/scenario/Commands.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <utility>

namespace {

using scenario::CommandGroup;

using Form = std::pair<CommandGroup, std::string>;

// The README's scenario table: each row's group and the forms in backticks, "\|" read as "|".
std::set<Form> readmeForms() {
    std::ifstream file(ACCOUNTING_SOURCE_DIR "/README.md");
    const std::pair<const char*, CommandGroup> rows[] = {
        {"| setup, before `load` |", CommandGroup::Setup},
        {"| any time |", CommandGroup::AnyTime},
        {"| lifecycle |", CommandGroup::Lifecycle},
        {"| dialog |", CommandGroup::Dialog},
        {"| checks |", CommandGroup::Check},
    };
    std::set<Form> forms;
    for (std::string line; std::getline(file, line);) {
        for (const auto& [label, group] : rows) {
            if (line.rfind(label, 0) != 0) {
                continue;
            }
            std::string cell = line.substr(std::string(label).size());
            for (size_t open; (open = cell.find('`')) != std::string::npos;) {
                size_t close = cell.find('`', open + 1);
                std::string form = cell.substr(open + 1, close - open - 1);
                for (size_t at; (at = form.find("\\|")) != std::string::npos;) {
                    form.erase(at, 1);
                }
                forms.insert({group, form});
                cell.erase(0, close + 1);
            }
        }
    }
    return forms;
}

TEST(ScenarioCommands, TheReadmeShowsEveryRegisteredFormInItsGroup) {
    std::set<Form> registered;
    for (const scenario::Command& command : scenario::scenarioCommands()) {
        std::string usage = command.usage;
        for (size_t at = 0;;) {
            size_t end = usage.find(" | ", at);
            registered.insert({command.group, usage.substr(at, end - at)});
            if (end == std::string::npos) {
                break;
            }
            at = end + 3;
        }
    }
    std::set<Form> documented = readmeForms();
    ASSERT_GT(documented.size(), 30u) << "the README's scenario table was not found";
    for (const Form& form : registered) {
        EXPECT_TRUE(documented.count(form)) << "not in the README's row: " << form.second;
    }
    for (const Form& form : documented) {
        EXPECT_TRUE(registered.count(form)) << "in the README, not registered: " << form.second;
    }
}

TEST(ScenarioCommands, EachNameCallsItsOwnCommand) {
    std::set<std::string> seen;
    for (const scenario::Command& command : scenario::scenarioCommands()) {
        for (const std::string& name : scenario::commandNames(command)) {
            EXPECT_TRUE(seen.insert(name).second) << name << " is registered twice";
            std::vector<std::string> words;
            std::istringstream split(name);
            for (std::string word; split >> word;) {
                words.push_back(word);
            }
            EXPECT_EQ(&scenario::findCommand(words), &command) << name;
        }
    }
    EXPECT_TRUE(seen.count("expect instances"));
    EXPECT_TRUE(seen.count("sync"));
}

} // namespace
