// Text that comes from a print server (a job's name, a queue's name, a message) is shown to the
// user and written to the log as the server's words, never as anything else: invalid UTF-8 is
// repaired, each control character (and each character that reverses the text's direction)
// shows as a visible sign (a line break as "␊", an escape as "␛"), and a name is cut to a
// reasonable length with an ellipsis. Markup is escaped where it would be read as markup (the
// desktop's notifications).
#pragma once

#include <string>

// The longest name shown, in characters.
inline constexpr size_t kShownCharacters = 80;

// A name or message from the server, made visible and cut to at most this many characters.
std::string shownText(const std::string& text, size_t maxCharacters = kShownCharacters);

// A line for the log: every character visible, nothing cut; it stays one line.
std::string oneLine(const std::string& text);
