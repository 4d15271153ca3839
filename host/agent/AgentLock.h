// One agent per user and print server: a lock file under $XDG_RUNTIME_DIR (else in
// $XDG_CACHE_HOME/accounting-agent, else ~/.cache/accounting-agent, folders only the user can
// write to), held with flock for the agent's life, so the lock goes with the process however it
// ends.
#pragma once

#include <memory>
#include <string>

class AgentLock {
  public:
    enum class Outcome { Taken, HeldElsewhere, Failed };
    // The lock for this user on this server ("host:port"). When it is not taken, *message says
    // why (another agent holds it, or the folder can't be used).
    static std::unique_ptr<AgentLock> take(const std::string& user, const std::string& server,
                                           Outcome* outcome, std::string* message);
    ~AgentLock();
    AgentLock(const AgentLock&) = delete;
    AgentLock& operator=(const AgentLock&) = delete;

    const std::string& path() const { return path_; }

  private:
    AgentLock() = default;
    int fd_ = -1;
    std::string path_;
};

// The lock file's name for a user and server: only letters, digits, '.', '-' and '_' stand as
// they are; every other byte becomes %XX, so that no two pairs share a file.
std::string agentLockName(const std::string& user, const std::string& server);
