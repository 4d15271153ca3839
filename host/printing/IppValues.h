// What the host's CUPS requests share: reading a value as the server sent it.
#pragma once

#include <cups/ipp.h>

#include <string>

// A value as the server sent it: a single string as it stands (ippAttributeString would escape
// quotes and backslashes), anything else in IPP's text form.
std::string attributeText(ipp_attribute_t* attribute);
// The named attribute's value as text; empty when the response has none.
std::string textOf(ipp_t* response, const char* name);
