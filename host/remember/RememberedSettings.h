// The last settings printed with, remembered per user between runs of the dialog: the
// print-settings ticket's items in a property list under $XDG_CONFIG_HOME/printdialog, except a
// concealed code, which only the keyring may keep.
#pragma once

#include "host/remember/Keyring.h"

#include <Carbon/Carbon.h>

#include <string>

// $XDG_CONFIG_HOME/printdialog/settings.plist, or ~/.config/printdialog/settings.plist; empty
// when neither variable is set.
std::string rememberedSettingsPath();

struct Recall {
    enum class Outcome {
        Nothing,    // no file: the dialog starts from defaults
        Recalled,   // the ticket holds the remembered settings
        MovedAside, // the file could not be used and is now PATH.bad
    };
    Outcome outcome = Outcome::Nothing;
    std::string message; // for the user, when moved aside
};

// Puts the remembered settings into the ticket, a concealed code from the keyring (secrets may
// be null: then a concealed code stays out). A file that is no property list of the ticket's
// kind, or holds an accounting key of the wrong type, is moved aside and the ticket left alone.
Recall recallSettings(const std::string& path, PMTicketRef settings, SecretStore* secrets);

// Writes the ticket's items to the file (mode 0600, through a temporary file renamed over it),
// a concealed code left out and handed to the keyring instead; a code no longer concealed is
// taken out of the keyring. False with a message when the file could not be written.
bool rememberSettings(const std::string& path, PMTicketRef settings, SecretStore* secrets,
                      std::string* error);
