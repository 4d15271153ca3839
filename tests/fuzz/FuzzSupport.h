// What every fuzz target shares: an invariant that fails loudly, a check that an input left no
// platform object alive, and a private folder for the files a target must write.
#pragma once

#include <PlatformHost.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Stops the run with the reason, so that libFuzzer keeps the input as a crash.
inline void fuzzCheck(bool held, const std::string& what) {
    if (!held) {
        std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
        std::abort();
    }
}

// Every platform object an input made is gone once the input is done.
class NoObjectLeftAlive {
  public:
    NoObjectLeftAlive() : start_(PlatformHost::liveObjectCount()) {}
    ~NoObjectLeftAlive() {
        long now = PlatformHost::liveObjectCount();
        fuzzCheck(now == start_, "platform objects still alive after the input: " +
                                     PlatformHost::liveObjectReport());
    }
    NoObjectLeftAlive(const NoObjectLeftAlive&) = delete;
    NoObjectLeftAlive& operator=(const NoObjectLeftAlive&) = delete;

  private:
    long start_;
};

// A folder of this process's own under the temporary folder, removed at exit.
const std::string& fuzzFolder();

// Writes the bytes to the file, replacing it.
void writeFuzzFile(const std::string& path, const uint8_t* data, size_t size);

// Makes the folders of a path, like mkdir -p.
void makeFuzzFolders(const std::string& path);
