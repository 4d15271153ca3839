#include <PlatformHost.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace PlatformHost {

StderrCapture::StderrCapture() {
    std::fflush(stderr);
    char path[] = "/tmp/platform-stderr-XXXXXX";
    captureFd_ = mkstemp(path);
    if (captureFd_ < 0) {
        return;
    }
    unlink(path);
    savedFd_ = dup(STDERR_FILENO);
    if (savedFd_ < 0 || dup2(captureFd_, STDERR_FILENO) < 0) {
        close(captureFd_);
        captureFd_ = -1;
        if (savedFd_ >= 0) {
            close(savedFd_);
            savedFd_ = -1;
        }
    }
}

StderrCapture::~StderrCapture() {
    finish();
}

std::string StderrCapture::finish() {
    if (captureFd_ < 0) {
        return text_;
    }
    std::fflush(stderr);
    dup2(savedFd_, STDERR_FILENO);
    close(savedFd_);
    savedFd_ = -1;
    lseek(captureFd_, 0, SEEK_SET);
    char chunk[4096];
    ssize_t n;
    while ((n = read(captureFd_, chunk, sizeof chunk)) > 0) {
        text_.append(chunk, static_cast<size_t>(n));
    }
    close(captureFd_);
    captureFd_ = -1;
    return text_;
}

} // namespace PlatformHost
