// The page the dialog prints when no document was given: one A4 page in PDF with a title, the
// date and the queue's name. It never shows an accounting code.
#pragma once

#include <string>

std::string testPagePdf(const std::string& queue);
