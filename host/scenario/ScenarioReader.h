// The scenario language's lines: one command a line, '#' starts a comment, words separated by
// blanks, a word in double quotes with \" \\ and \n escapes.
#pragma once

#include <string>
#include <vector>

struct ScenarioLine {
    int number = 0;
    std::vector<std::string> words;
};

// Splits one line into words. False with a message (without the line number) for an
// unterminated quote or an unknown escape.
bool splitScenarioLine(const std::string& text, std::vector<std::string>* words,
                       std::string* error);

// Every line of a scenario that holds a command, with its line number. False with
// "line N: ..." for the first bad line.
bool readScenario(const std::string& text, std::vector<ScenarioLine>* lines, std::string* error);

// A decimal number, possibly negative; false for anything else or out of 32-bit range.
bool parseNumber(const std::string& word, long* value);
