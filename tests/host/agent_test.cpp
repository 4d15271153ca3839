// The agent's choices that need no server: which jobs it takes, and its lock against a second
// agent for the same user and server.
#include "host/agent/AgentLock.h"
#include "host/printing/HeldJobs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(HeldJobs, TakesTheUsersHeldJobsThatLackACodeTheirQueueNeeds) {
    struct Case {
        const char* what;
        UserJob job;
        CodesNeeded needed;
        bool taken;
    };
    auto job = [](const char* owner, const char* state, const char* hold, const char* user,
                  const char* account) {
        UserJob j;
        j.id = 7;
        j.queue = "quorv-held";
        j.owner = owner;
        j.state = state;
        j.holdUntil = hold;
        j.userCode = user;
        j.accountCode = account;
        j.documents = 1;
        return j;
    };
    auto incomplete = [&](int documents, bool incoming) {
        UserJob j = job("alice", "pending-held", "indefinite", "", "");
        j.documents = documents;
        j.incoming = incoming;
        return j;
    };
    const CodesNeeded both{true, true}, userOnly{true, false};
    const Case cases[] = {
        {"held for its codes", job("alice", "pending-held", "indefinite", "", ""), both, true},
        {"another user's", job("bob", "pending-held", "indefinite", "", ""), both, false},
        {"owner hidden by the server", job("", "pending-held", "indefinite", "", ""), both, false},
        {"held until a time of day", job("alice", "pending-held", "night", "", ""), both, false},
        {"released already", job("alice", "pending", "no-hold", "", ""), both, false},
        {"printing", job("alice", "processing", "indefinite", "", ""), both, false},
        {"both codes given", job("alice", "pending-held", "indefinite", "U", "A"), both, false},
        {"held by the guard for its account ID",
         job("alice", "pending-held", "indefinite", "U", ""), both, true},
        {"held by the guard for its user ID", job("alice", "pending-held", "indefinite", "", "A"),
         both, true},
        {"a code with a line break", job("alice", "pending-held", "indefinite", "U\nX", "A"), both,
         true},
        {"the user ID its queue needs alone", job("alice", "pending-held", "indefinite", "U", ""),
         userOnly, false},
        {"no document yet", incomplete(0, true), both, false},
        {"no document, none announced", incomplete(0, false), both, false},
        {"more documents to come", incomplete(1, true), both, false},
        {"an owner that only starts alike", job("alice2", "pending-held", "indefinite", "", ""),
         both, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(waitsForCodes(c.job, "alice", c.needed), c.taken) << c.what;
    }
}

TEST(HeldJobs, AQueuesNameComesFromItsURIAsRFC3986DecodesIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"quorv-%C3%A9", "quorv-\xC3\xA9"},
        {"quorv-%2541", "quorv-%41"},
        {"a%20b", "a b"},
        {"plain", "plain"},
        {"bad%2", "bad%2"},
        {"%zz", "%zz"},
    };
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(decodedQueue(path), name) << path;
    }
}

TEST(AgentLock, NamesKeepUsersAndServersApart) {
    EXPECT_EQ(agentLockName("alice", "127.0.0.1:631"),
              "accounting-agent-alice@127.0.0.1%3A631.lock");
    // A user name with '@' or '/' can't make two pairs share a file, nor leave the folder.
    EXPECT_NE(agentLockName("a@b", "c"), agentLockName("a", "b@c"));
    EXPECT_EQ(agentLockName("../x", "/run/cups.sock"),
              "accounting-agent-..%2Fx@%2Frun%2Fcups.sock.lock");
    EXPECT_EQ(agentLockName("jürgen", "h"), "accounting-agent-j%C3%BCrgen@h.lock");
}

class AgentLockFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char folder[] = "/tmp/agent-lock-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        folder_ = folder;
        const char* previous = std::getenv("XDG_RUNTIME_DIR");
        hadPrevious_ = previous != nullptr;
        previous_ = hadPrevious_ ? previous : "";
        setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
    }
    void TearDown() override {
        if (hadPrevious_) {
            setenv("XDG_RUNTIME_DIR", previous_.c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
        std::string command = "rm -rf '" + folder_ + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    std::string folder_;
    std::string previous_;
    bool hadPrevious_ = false;
};

TEST_F(AgentLockFolder, OneAgentPerUserAndServer) {
    AgentLock::Outcome outcome = AgentLock::Outcome::Failed;
    std::string message = "untouched";
    std::unique_ptr<AgentLock> first = AgentLock::take("alice", "h:1", &outcome, &message);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(outcome, AgentLock::Outcome::Taken);
    EXPECT_EQ(message, "untouched");
    EXPECT_EQ(first->path(), folder_ + "/accounting-agent-alice@h%3A1.lock");
    struct stat st {};
    ASSERT_EQ(stat(first->path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A second agent for the pair is told who holds it; another user or server is not.
    std::unique_ptr<AgentLock> second = AgentLock::take("alice", "h:1", &outcome, &message);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(outcome, AgentLock::Outcome::HeldElsewhere);
    EXPECT_EQ(message,
              "another accounting-agent already serves alice on h:1 (" + first->path() + ")");
    EXPECT_NE(AgentLock::take("bob", "h:1", &outcome, &message), nullptr);
    EXPECT_NE(AgentLock::take("alice", "h:2", &outcome, &message), nullptr);

    // The lock goes with its holder.
    first.reset();
    EXPECT_NE(AgentLock::take("alice", "h:1", &outcome, &message), nullptr);
    EXPECT_EQ(outcome, AgentLock::Outcome::Taken);
}

TEST_F(AgentLockFolder, WithoutARuntimeFolderTheLockIsInTheUsersCache) {
    // Another user's /tmp/accounting-agent-UID, made first, no longer stops the agent.
    std::string squatted = "/tmp/accounting-agent-" + std::to_string(getuid());
    bool planted = symlink("/", squatted.c_str()) == 0;
    unsetenv("XDG_RUNTIME_DIR");
    const char* previousCache = std::getenv("XDG_CACHE_HOME");
    std::string savedCache = previousCache != nullptr ? previousCache : "";
    setenv("XDG_CACHE_HOME", (folder_ + "/cache").c_str(), 1);
    ASSERT_EQ(mkdir((folder_ + "/cache").c_str(), 0700), 0);
    AgentLock::Outcome outcome = AgentLock::Outcome::Failed;
    std::string message;
    std::unique_ptr<AgentLock> lock = AgentLock::take("alice", "h:1", &outcome, &message);
    ASSERT_NE(lock, nullptr) << message;
    EXPECT_EQ(lock->path(), folder_ + "/cache/accounting-agent/accounting-agent-alice@h%3A1.lock");
    struct stat st {};
    ASSERT_EQ(stat((folder_ + "/cache/accounting-agent").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    lock.reset();
    // A cache folder others may write to is refused, not used.
    ASSERT_EQ(chmod((folder_ + "/cache/accounting-agent").c_str(), 0777), 0);
    EXPECT_EQ(AgentLock::take("alice", "h:1", &outcome, &message), nullptr);
    EXPECT_EQ(message, folder_ + "/cache/accounting-agent is not a folder of this user's that "
                                 "only the user can write to");
    if (planted) {
        unlink(squatted.c_str());
    }
    if (previousCache != nullptr) {
        setenv("XDG_CACHE_HOME", savedCache.c_str(), 1);
    } else {
        unsetenv("XDG_CACHE_HOME");
    }
}

TEST_F(AgentLockFolder, RefusesAFolderItCannotUse) {
    setenv("XDG_RUNTIME_DIR", (folder_ + "/missing").c_str(), 1);
    AgentLock::Outcome outcome = AgentLock::Outcome::Taken;
    std::string message;
    EXPECT_EQ(AgentLock::take("alice", "h:1", &outcome, &message), nullptr);
    EXPECT_EQ(outcome, AgentLock::Outcome::Failed);
    EXPECT_NE(message.find("cannot open " + folder_ + "/missing/"), std::string::npos) << message;
}

} // namespace
