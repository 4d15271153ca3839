// How the host names a printer, in one place. "cups:QUEUE" always means a queue of the print
// server. Any other word is a PPD file's path; on the command line a word that is not a file
// there means a queue of that name (so a file named like a queue wins only when it exists; write
// cups:NAME to be sure of the queue).
#pragma once

#include "host/printing/Printer.h"

#include <memory>
#include <string>

struct PrinterName {
    enum class Kind { PPDFile, Queue };
    Kind kind = Kind::PPDFile;
    std::string value; // the queue's name, or the file's path

    // Spelled as the host writes it: "cups:QUEUE", or the path.
    std::string spelled() const;
    // For a menu: the queue's name, or the file's base name.
    std::string shortName() const;
    static PrinterName queue(const std::string& name) { return {Kind::Queue, name}; }
};

// What a word that is not "cups:..." means.
enum class BareWord { PPDFile, FileOrQueue };

// False for "cups:" with no queue, or an empty word.
bool parsePrinterName(const std::string& word, BareWord rule, PrinterName* out);

// The printer the name stands for: the PPD file read, or the queue asked for its PPD.
std::unique_ptr<Printer> openPrinter(const PrinterName& name, const CupsServer& server);
