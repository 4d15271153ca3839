// The host's own words in the user's language, through gettext (domain "printdialog"): the
// dialog's buttons, the window's labels and its status lines. Until useUserLanguage is called,
// and for a language without a catalogue, they are the English ones written here.
#pragma once

#include <initializer_list>
#include <string>

// Takes the language from the environment (LC_ALL, LC_MESSAGES, LANG) and the catalogues from
// the folder (PREFIX/share/locale).
void useUserLanguage(const std::string& localeFolder);

const char* hostText(const char* english);
// The text with %1, %2, ... replaced by the values, in the translation's order.
std::string hostText(const char* english, std::initializer_list<std::string> values);
