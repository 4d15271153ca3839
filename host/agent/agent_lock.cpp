#include "host/agent/AgentLock.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string escaped(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '.' || c == '-' || c == '_';
        if (plain) {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

// A folder of the user's, made private if it is new; false with why when it is not the user's
// own or others may write to it.
bool privateFolder(const std::string& folder, std::string* message) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        *message = "cannot make " + folder + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
        (st.st_mode & 0022) != 0) {
        *message = folder + " is not a folder of this user's that only the user can write to";
        return false;
    }
    return true;
}

// $XDG_RUNTIME_DIR, the user's own folder for such files; without it, a folder of the user's
// cache ($XDG_CACHE_HOME, else ~/.cache). Never a name another user could take first, as one
// in /tmp would be.
bool lockFolder(std::string* folder, std::string* message) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        *folder = runtime;
        return true;
    }
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    std::string base;
    if (cache != nullptr && cache[0] == '/') {
        base = cache;
    } else if (home != nullptr && home[0] == '/') {
        base = std::string(home) + "/.cache";
        mkdir(base.c_str(), 0700);
    } else {
        *message = "no folder for the lock: XDG_RUNTIME_DIR, XDG_CACHE_HOME and HOME are not set";
        return false;
    }
    *folder = base + "/accounting-agent";
    return privateFolder(*folder, message);
}

} // namespace

std::string agentLockName(const std::string& user, const std::string& server) {
    return "accounting-agent-" + escaped(user) + "@" + escaped(server) + ".lock";
}

std::unique_ptr<AgentLock> AgentLock::take(const std::string& user, const std::string& server,
                                           Outcome* outcome, std::string* message) {
    *outcome = Outcome::Failed;
    std::string folder;
    if (!lockFolder(&folder, message)) {
        return nullptr;
    }
    std::unique_ptr<AgentLock> lock(new AgentLock());
    lock->path_ = folder + "/" + agentLockName(user, server);
    lock->fd_ = open(lock->path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock->fd_ < 0) {
        *message = "cannot open " + lock->path_ + ": " + std::strerror(errno);
        return nullptr;
    }
    if (flock(lock->fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            *outcome = Outcome::HeldElsewhere;
            *message = "another accounting-agent already serves " + user + " on " + server + " (" +
                       lock->path_ + ")";
        } else {
            *message = "cannot lock " + lock->path_ + ": " + std::strerror(errno);
        }
        return nullptr;
    }
    // The holder's process ID, for whoever wonders which agent runs.
    std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(lock->fd_, 0) == 0) {
        ssize_t written = write(lock->fd_, pid.data(), pid.size());
        (void)written;
    }
    *outcome = Outcome::Taken;
    return lock;
}

AgentLock::~AgentLock() {
    if (fd_ >= 0) {
        close(fd_); // the lock goes with the descriptor; the file stays for the next agent
    }
}
