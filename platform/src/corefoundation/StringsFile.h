// The platform's strings-table format: "key" = "value"; entries in UTF-8, or in UTF-16 with a
// byte-order mark, with /* */ and // comments and \" \\ \n \t \r \U escapes.
#pragma once

#include <map>
#include <string>

namespace platform {

// False with a message naming the line for anything malformed; *table is then left alone.
bool parseStringsFile(const std::string& bytes, std::map<std::string, std::string>* table,
                      std::string* error);

} // namespace platform
