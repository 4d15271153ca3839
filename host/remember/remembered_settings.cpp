#include "host/remember/RememberedSettings.h"

#include "host/HostText.h"
#include "host/ShownCodes.h"

#include "settings/TicketKeys.h"

#include <PlatformHost.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using PlatformHost::TicketItem;

// The accounting keys and the type the pane reads each as; anything else in the file is the
// ticket's own and passes as it is.
const struct {
    const char* key;
    TicketItem::Type type;
} kAccountingKeys[] = {
    {kAccountingOnKeyName, TicketItem::Type::SInt32},
    {kAccountingPromptKeyName, TicketItem::Type::SInt32},
    {kAccountingConcealUserKeyName, TicketItem::Type::SInt32},
    {kAccountingConcealAccountKeyName, TicketItem::Type::SInt32},
    {kAccountingAccountTypeKeyName, TicketItem::Type::SInt32},
    {kAccountingUserIDKeyName, TicketItem::Type::CString},
    {kAccountingAccountIDKeyName, TicketItem::Type::CString},
};

// Why the remembered ticket can't be used; empty when it can.
std::string wrongTypes(PMTicketRef ticket) {
    for (const auto& [key, type] : kAccountingKeys) {
        TicketItem item;
        if (PlatformHost::ticketItem(ticket, key, &item) && item.type != type) {
            return std::string(key) + " is " +
                   (type == TicketItem::Type::SInt32 ? "not an integer" : "not a string");
        }
    }
    return "";
}

bool makeFolders(const std::string& folder) {
    for (size_t at = 1;; ++at) {
        at = folder.find('/', at);
        std::string part = folder.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (at == std::string::npos) {
            return true;
        }
    }
}

bool writeWhole(int fd, const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    return true;
}

} // namespace

std::string rememberedSettingsPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config != nullptr && config[0] == '/') {
        folder = config;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        folder = std::string(home) + "/.config";
    } else {
        return "";
    }
    return folder + "/printdialog/settings.plist";
}

Recall recallSettings(const std::string& path, PMTicketRef settings, SecretStore* secrets) {
    Recall recall;
    struct stat st;
    if (path.empty() || settings == nullptr || stat(path.c_str(), &st) != 0) {
        return recall;
    }
    PMTicketRef remembered = nullptr;
    std::string problem;
    if (!PlatformHost::loadTicketFile(path, &remembered, &problem)) {
        // The loader names the file already.
    } else if (problem = wrongTypes(remembered); !problem.empty()) {
        problem = path + ": " + problem;
    }
    if (!problem.empty()) {
        if (remembered != nullptr) {
            PMRelease(remembered);
        }
        std::string aside = path + ".bad";
        recall.outcome = Recall::Outcome::MovedAside;
        recall.message =
            rename(path.c_str(), aside.c_str()) == 0
                ? hostText("The remembered settings could not be read (%1); they were moved to "
                           "%2.",
                           {problem, aside})
                : hostText("The remembered settings could not be read (%1).", {problem});
        return recall;
    }
    for (const std::string& key : PlatformHost::ticketKeys(remembered)) {
        TicketItem item;
        PlatformHost::ticketItem(remembered, key, &item);
        PlatformHost::putTicketItem(settings, key, item);
    }
    for (const AccountingCode& code : kAccountingCodes) {
        TicketItem item;
        item.type = TicketItem::Type::CString;
        TicketItem inFile;
        if (secrets != nullptr && concealedIn(remembered, code) &&
            !PlatformHost::ticketItem(remembered, code.ticketKey, &inFile) &&
            secrets->lookup(code.secretName, &item.text)) {
            PlatformHost::putTicketItem(settings, code.ticketKey, item);
        }
    }
    PMRelease(remembered);
    recall.outcome = Recall::Outcome::Recalled;
    return recall;
}

bool rememberSettings(const std::string& path, PMTicketRef settings, SecretStore* secrets,
                      std::string* error) {
    if (path.empty() || settings == nullptr) {
        *error = "there is nowhere to remember the settings (neither XDG_CONFIG_HOME nor HOME)";
        return false;
    }
    PMTicketRef kept = nullptr;
    PMTicketCreate(nullptr, CFSTR("com.apple.print.PrintSettingsTicket"), &kept);
    for (const std::string& key : PlatformHost::ticketKeys(settings)) {
        TicketItem item;
        PlatformHost::ticketItem(settings, key, &item);
        bool secret = false;
        for (const AccountingCode& code : kAccountingCodes) {
            if (key != code.ticketKey) {
                continue;
            }
            secret = concealedIn(settings, code);
            if (secrets == nullptr) {
                continue;
            }
            if (secret && !item.text.empty()) {
                secrets->store(code.secretName, item.text);
            } else {
                secrets->forget(code.secretName);
            }
        }
        if (!secret) {
            PlatformHost::putTicketItem(kept, key, item);
        }
    }
    std::string xml = PlatformHost::ticketToXml(kept);
    PMRelease(kept);

    std::string folder = path.substr(0, path.rfind('/'));
    if (!makeFolders(folder)) {
        *error = folder + ": " + std::strerror(errno);
        return false;
    }
    std::string temporary = path + ".XXXXXX";
    int fd = mkstemp(temporary.data()); // mode 0600
    if (fd < 0) {
        *error = folder + ": " + std::strerror(errno);
        return false;
    }
    bool written = writeWhole(fd, xml) && fsync(fd) == 0;
    written = close(fd) == 0 && written;
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        *error = path + ": " + std::strerror(errno);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}
