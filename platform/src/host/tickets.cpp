#include <PlatformHost.h>

#include "../common/Messages.h"
#include "../common/PropertyList.h"
#include "../common/Unicode.h"
#include "../printcore/Printing.h"

#include <cinttypes>
#include <climits>

namespace PlatformHost {
namespace {

using Item = OpaquePMTicketRef::Item;

// Reads one ticket value: an integer, a string, or {value, client, locked}.
bool readItem(const std::string& key, plist_t node, Item* item, std::string* error) {
    switch (plist_get_node_type(node)) {
    case PLIST_UINT: {
        // libplist keeps integers as 64-bit unsigned values; negative numbers wrap around.
        uint64_t raw = 0;
        plist_get_uint_val(node, &raw);
        auto value = static_cast<int64_t>(raw);
        if (value < INT32_MIN || value > INT32_MAX) {
            *error = platform::quotedForMessage(key) + ": integer out of 32-bit range";
            return false;
        }
        item->type = Item::Type::SInt32;
        item->number = static_cast<SInt32>(value);
        return true;
    }
    case PLIST_STRING: {
        char* text = nullptr;
        plist_get_string_val(node, &text);
        std::string bytes = text == nullptr ? std::string() : std::string(text);
        free(text);
        if (!platform::isValidUtf8(bytes)) {
            *error = platform::quotedForMessage(key) + ": string is not valid UTF-8";
            return false;
        }
        item->type = Item::Type::CString;
        item->bytes = bytes;
        return true;
    }
    case PLIST_DICT: {
        plist_t value = plist_dict_get_item(node, "value");
        if (value == nullptr || plist_get_node_type(value) == PLIST_DICT) {
            *error = platform::quotedForMessage(key) +
                     ": item dictionary needs an integer or string \"value\"";
            return false;
        }
        if (!readItem(key, value, item, error)) {
            return false;
        }
        if (plist_t client = plist_dict_get_item(node, "client")) {
            if (plist_get_node_type(client) != PLIST_STRING) {
                *error = platform::quotedForMessage(key) + ": \"client\" must be a string";
                return false;
            }
            char* text = nullptr;
            plist_get_string_val(client, &text);
            item->client = text == nullptr ? "" : text;
            free(text);
        }
        if (plist_t locked = plist_dict_get_item(node, "locked")) {
            if (plist_get_node_type(locked) != PLIST_BOOLEAN) {
                *error = platform::quotedForMessage(key) + ": \"locked\" must be true or false";
                return false;
            }
            uint8_t flag = 0;
            plist_get_bool_val(locked, &flag);
            item->locked = flag != 0;
        }
        return true;
    }
    default:
        *error = platform::quotedForMessage(key) +
                 ": a ticket value must be an integer, a string or a dictionary";
        return false;
    }
}

std::string escapeXml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string valueXml(const Item& item) {
    if (item.type == Item::Type::SInt32) {
        return "<integer>" + std::to_string(item.number) + "</integer>";
    }
    return "<string>" + escapeXml(item.bytes) + "</string>";
}

} // namespace

bool ticketItem(PMTicketRef ticket, const std::string& key, TicketItem* out) {
    OpaquePMTicketRef* t = platform::asTicket(ticket);
    if (t == nullptr || out == nullptr) {
        return false;
    }
    auto found = t->items.find(key);
    if (found == t->items.end()) {
        return false;
    }
    const Item& item = found->second;
    out->type =
        item.type == Item::Type::SInt32 ? TicketItem::Type::SInt32 : TicketItem::Type::CString;
    out->number = item.number;
    out->text = item.bytes;
    out->client = item.client;
    out->locked = item.locked;
    return true;
}

bool putTicketItem(PMTicketRef ticket, const std::string& key, const TicketItem& in) {
    OpaquePMTicketRef* t = platform::asTicket(ticket);
    if (t == nullptr) {
        return false;
    }
    Item item;
    item.type = in.type == TicketItem::Type::SInt32 ? Item::Type::SInt32 : Item::Type::CString;
    item.number = in.number;
    item.bytes = in.text;
    item.client = in.client;
    item.locked = in.locked;
    t->items[key] = item;
    return true;
}

std::vector<std::string> ticketKeys(PMTicketRef ticket) {
    std::vector<std::string> keys;
    if (OpaquePMTicketRef* t = platform::asTicket(ticket)) {
        for (const auto& [key, item] : t->items) {
            keys.push_back(key);
        }
    }
    return keys;
}

bool loadTicketFromXml(const std::string& xml, PMTicketRef* ticket, std::string* error) {
    plist_t root = nullptr;
    if (!platform::parsePropertyList(xml, &root, error)) {
        return false;
    }
    bool ok = true;
    std::map<std::string, Item> items;
    if (plist_get_node_type(root) != PLIST_DICT) {
        *error = "a ticket's property list must be a dictionary";
        ok = false;
    } else {
        ok = platform::forEachDictEntry(root, [&](const char* key, plist_t value) {
            Item item;
            if (!readItem(key, value, &item, error)) {
                return false;
            }
            items[key] = item;
            return true;
        });
    }
    plist_free(root);
    if (!ok) {
        return false;
    }
    PMTicketRef created = platform::createTicket("com.apple.print.PrintSettingsTicket");
    if (created == nullptr) {
        *error = "out of memory for the ticket";
        return false;
    }
    platform::asTicket(created)->items = std::move(items);
    *ticket = created;
    return true;
}

bool loadTicketFile(const std::string& path, PMTicketRef* ticket, std::string* error) {
    std::string bytes;
    if (!platform::readWholeFile(path, platform::kMaxPropertyListBytes, &bytes, error)) {
        return false;
    }
    if (!loadTicketFromXml(bytes, ticket, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

std::string ticketToXml(PMTicketRef ticket) {
    OpaquePMTicketRef* t = platform::asTicket(ticket);
    if (t == nullptr) {
        return {};
    }
    // Written by hand rather than through libplist, which can't write a negative integer.
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                      "<plist version=\"1.0\">\n<dict>\n";
    for (const auto& [key, item] : t->items) {
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on a literal
        // prepended to a temporary string.
        xml.append("\t<key>").append(escapeXml(key)).append("</key>\n");
        if (item.client.empty() && !item.locked) {
            xml.append("\t").append(valueXml(item)).append("\n");
            continue;
        }
        xml.append("\t<dict>\n\t\t<key>client</key>\n\t\t<string>")
            .append(escapeXml(item.client))
            .append("</string>\n\t\t<key>locked</key>\n\t\t")
            .append(item.locked ? "<true/>" : "<false/>")
            .append("\n\t\t<key>value</key>\n\t\t")
            .append(valueXml(item))
            .append("\n\t</dict>\n");
    }
    xml += "</dict>\n</plist>\n";
    return xml;
}

bool saveTicketFile(PMTicketRef ticket, const std::string& path, std::string* error) {
    if (platform::asTicket(ticket) == nullptr) {
        *error = "no ticket";
        return false;
    }
    std::string xml = ticketToXml(ticket);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = path + ": cannot be written";
        return false;
    }
    bool ok = std::fwrite(xml.data(), 1, xml.size(), file) == xml.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        *error = path + ": write error";
    }
    return ok;
}

bool setSessionTicket(PMPrintSession session, CFStringRef key, PMTicketRef ticket) {
    intptr_t reference = reinterpret_cast<intptr_t>(ticket);
    CFNumberType type = sizeof(intptr_t) == 8 ? kCFNumberSInt64Type : kCFNumberSInt32Type;
    CFNumberRef number = CFNumberCreate(nullptr, type, &reference);
    if (number == nullptr) {
        return false;
    }
    OSStatus status = PMSessionSetDataInSession(session, key, number);
    CFRelease(number);
    return status == noErr;
}

} // namespace PlatformHost
