#include "ImageFiles.h"

#include "../carboncore/FileSystem.h"

#include <cerrno>
#include <unistd.h>

namespace platform {

bool readImageFileBytes(const ItemRef& item, size_t maxBytes, std::string* bytes) {
    int fd = openFileItem(item);
    if (fd < 0) {
        return false;
    }
    std::string data;
    char chunk[65536];
    ssize_t n;
    bool ok = true;
    while ((n = read(fd, chunk, sizeof chunk)) > 0) {
        if (data.size() + static_cast<size_t>(n) > maxBytes) {
            ok = false;
            break;
        }
        data.append(chunk, static_cast<size_t>(n));
    }
    if (n < 0) {
        ok = false;
    }
    close(fd);
    if (ok) {
        *bytes = std::move(data);
    }
    return ok;
}

} // namespace platform
