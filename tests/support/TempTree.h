// A temporary folder tree for file-system tests, removed with everything in it at the end, deep
// trees included (removal works folder by folder, never by whole path).
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

class TempTree {
  public:
    TempTree() {
        char pattern[] = "/tmp/fs-test-XXXXXX";
        char* made = mkdtemp(pattern);
        root_ = made != nullptr ? made : "";
        chmod(root_.c_str(), 0755);
    }
    ~TempTree() {
        int fd = open(root_.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd >= 0) {
            removeContents(fd);
            close(fd);
        }
        rmdir(root_.c_str());
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }

    void folder(const std::string& relative, mode_t mode = 0755) const {
        mkdir(path(relative).c_str(), mode);
    }
    void file(const std::string& relative, const std::string& contents = "") const {
        FILE* f = std::fopen(path(relative).c_str(), "wb");
        if (f != nullptr) {
            std::fwrite(contents.data(), 1, contents.size(), f);
            std::fclose(f);
        }
    }
    void link(const std::string& target, const std::string& relative) const {
        symlink(target.c_str(), path(relative).c_str());
    }

  private:
    static void removeContents(int dirFd) {
        int fd = dup(dirFd);
        DIR* dir = fdopendir(fd);
        if (dir == nullptr) {
            close(fd);
            return;
        }
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name == "." || name == "..") {
                continue;
            }
            if (entry->d_type == DT_DIR) {
                fchmodat(dirFd, name.c_str(), 0755, 0);
                int child = openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
                if (child >= 0) {
                    removeContents(child);
                    close(child);
                }
                unlinkat(dirFd, name.c_str(), AT_REMOVEDIR);
            } else {
                unlinkat(dirFd, name.c_str(), 0);
            }
        }
        closedir(dir);
    }

    std::string root_;
};
