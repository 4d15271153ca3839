// What a dialog is made with, said before its load: the printer and the server, the settings
// and the ticket's own items, the help bundle; and the answers to the server's passwords.
#include "host/scenario/Commands.h"

#include "host/printing/PrinterName.h"

#include <sys/stat.h>

namespace scenario {

namespace {

bool fileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void printer(CommandContext& context, const Words& w) {
    w.need(2);
    DialogState& d = context.dialog();
    PrinterName name;
    if (w[1] == "none") {
        d.printer.clear();
    } else if (!parsePrinterName(w[1], BareWord::PPDFile, &name)) {
        w.usageError();
    } else if (name.kind == PrinterName::Kind::Queue) {
        d.printer = name.spelled();
    } else {
        d.printer = context.resolve(w[1]);
        if (!fileExists(d.printer)) {
            fail(d.printer + ": no such file");
        }
    }
}

void server(CommandContext& context, const Words& w) {
    w.need(2);
    context.dialog().server.address = w[1];
}

void user(CommandContext& context, const Words& w) {
    w.need(2);
    if (w[1].empty()) {
        w.usageError();
    }
    context.dialog().server.user = w[1];
}

void encryption(CommandContext& context, const Words& w) {
    w.need(2);
    CupsServer& server = context.dialog().server;
    if (w[1] == "default") {
        server.encryption = Encryption::Default;
    } else if (!parseEncryption(w[1], &server.encryption)) {
        w.usageError();
    }
}

void timeout(CommandContext& context, const Words& w) {
    w.need(2);
    long seconds = numberOf(w[1]);
    if (seconds < 1) {
        fail("a timeout is at least 1 second");
    }
    context.dialog().server.timeoutSeconds = static_cast<double>(seconds);
}

void document(CommandContext& context, const Words& w) {
    w.need(2);
    context.dialog().document = w[1] == "none" ? "" : context.resolve(w[1]);
}

void settings(CommandContext& context, const Words& w) {
    w.need(2);
    DialogState& d = context.dialog();
    d.noSettings = w[1] == "none";
    d.settings = d.noSettings ? "" : context.resolve(w[1]);
    if (!d.settings.empty() && !fileExists(d.settings)) {
        fail(d.settings + ": no such file");
    }
}

void ticket(CommandContext& context, const Words& w) {
    w.need(4);
    DialogState& d = context.dialog();
    if (w[2] == "int") {
        d.edits.push_back({w[1], true, numberOf(w[3]), ""});
    } else if (w[2] == "str") {
        d.edits.push_back({w[1], false, 0, w[3]});
    } else {
        w.usageError();
    }
}

void helpBundle(CommandContext& context, const Words& w) {
    w.need(2);
    context.dialog().helpBundle = w[1] == "none" ? "none" : context.resolve(w[1]);
}

void password(CommandContext& context, const Words& w) {
    w.need(2);
    context.queuePassword(w[1]);
}

const Command kCommands[] = {
    {"printer PATH|cups:QUEUE|none", CommandGroup::Setup, printer},
    {"server HOST:PORT", CommandGroup::Setup, server},
    {"user NAME", CommandGroup::Setup, user},
    {"encryption never|if-requested|required|always|default", CommandGroup::Setup, encryption},
    {"timeout SECONDS", CommandGroup::Setup, timeout},
    {"document PATH|none", CommandGroup::Setup, document},
    {"settings PATH|none", CommandGroup::Setup, settings},
    {"ticket KEY int N | ticket KEY str TEXT", CommandGroup::Setup, ticket},
    {"help-bundle PATH|none", CommandGroup::Setup, helpBundle},
    {"password TEXT", CommandGroup::AnyTime, password},
};

} // namespace

std::span<const Command> setupCommands() {
    return kCommands;
}

} // namespace scenario
