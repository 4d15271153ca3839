// How the host shows a code in a transcript, a log, a check or the window: itself, or bullets
// when the user asked for it to be concealed.
#pragma once

#include <string>

// The code, or a bullet for every character when it is concealed.
std::string shownCode(const std::string& code, bool concealed);

// The shown code in double quotes, as a check or a transcript line prints it.
std::string quotedCode(const std::string& code, bool concealed);
