#include "host/printing/Printer.h"

#include <PlatformHost.h>

#include <cups/ipp.h>

#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

std::unique_ptr<Printer> Printer::fromPPD(const std::string& path) {
    std::unique_ptr<Printer> printer(new Printer());
    printer->name_ = path;
    printer->ppdPath_ = path;
    printer->readManufacturer();
    return printer;
}

std::unique_ptr<Printer> Printer::fromQueue(const CupsServer& server, const std::string& queue) {
    CupsFailure failure;
    std::unique_ptr<CupsConnection> connection = CupsConnection::open(server, &failure);
    if (connection == nullptr) {
        std::unique_ptr<Printer> printer(new Printer());
        printer->name_ = queue;
        printer->queue_ = true;
        printer->problem_ = failure.message;
        return printer;
    }
    std::unique_ptr<Printer> printer = fromQueue(*connection, queue);
    QueueInfo info;
    // Without a PPD the queue is a raw one, or there is no such queue: the server says which.
    if (printer->ppdPath_.empty() && !connection->queue(queue, &info, &failure)) {
        printer->problem_ = failure.message;
        return printer;
    }
    printer->connection_ = std::move(connection);
    return printer;
}

std::unique_ptr<Printer> Printer::fromQueue(CupsConnection& connection, const std::string& queue) {
    std::unique_ptr<Printer> printer(new Printer());
    printer->name_ = queue;
    printer->queue_ = true;
    CupsFailure failure;
    // The PPD lives in memory, never in a file: nothing is left behind however the host ends.
    // The pane and the PPD library read it by the descriptor's path.
    printer->fd_ = memfd_create("printdialog-ppd", MFD_CLOEXEC);
    if (printer->fd_ < 0) {
        printer->problem_ = std::string("no memory for the queue's PPD: ") + std::strerror(errno);
        return printer;
    }
    if (!connection.fetchPPD(queue, printer->fd_, &failure)) {
        printer->problem_ = failure.message;
        printer->fetchFailed_ = failure.status != IPP_STATUS_ERROR_NOT_FOUND;
        return printer;
    }
    printer->ppdPath_ = "/proc/self/fd/" + std::to_string(printer->fd_);
    printer->readManufacturer();
    return printer;
}

Printer::~Printer() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

// The same reading the pane's gate makes: through a printer-info ticket and the PPD library.
void Printer::readManufacturer() {
    PMTicketRef info = nullptr;
    if (PMTicketCreate(nullptr, CFSTR("com.apple.print.PrinterInfoTicket"), &info) != noErr) {
        return;
    }
    PlatformHost::TicketItem item;
    item.type = PlatformHost::TicketItem::Type::CString;
    item.text = ppdPath_;
    PlatformHost::putTicketItem(info, "com.apple.print.PrinterInfo.PMPPDPath", item);
    ppdContext ppd = nullptr;
    ppdFileRecord file = nullptr;
    if (ppdOpenCompiledPPDFromTicket(info, &ppd, &file) == noErr) {
        static const unsigned char kManufacturer[] = "\x0cManufacturer";
        ppdMainIndex index = 0;
        Str255 value;
        value[0] = 0;
        if (ppdGetMainIndex(ppd, kManufacturer, &index) == noErr &&
            ppdGetInvocationString(ppd, index, value) == noErr) {
            manufacturer_.assign(reinterpret_cast<const char*>(value + 1), value[0]);
        }
        ppdCloseCompiledPPDFromTicket(ppd, file);
    }
    PMRelease(info);
}
