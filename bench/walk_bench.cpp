// The walk of a large folder tree: the container walk with specifications and names, the image
// cache's construction over the same tree, and a plain readdir walk as the floor.
//
//   walk-bench [--benchmark_...]   (the tree is made in a temporary folder and removed after)
#include "fsutil/FSUtilities.h"
#include "images/ImageImportManager.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kTopFolders = 50;
constexpr int kSubFolders = 100; // in each top folder: 5,000 folders of files
constexpr int kFilesPerFolder = 20;

std::string gRoot;

void makeTree() {
    char pattern[] = "/tmp/walk-bench-XXXXXX";
    gRoot = mkdtemp(pattern);
    int root = open(gRoot.c_str(), O_RDONLY | O_DIRECTORY);
    for (int t = 0; t < kTopFolders; ++t) {
        std::string top = "top" + std::to_string(t);
        mkdirat(root, top.c_str(), 0755);
        int topFd = openat(root, top.c_str(), O_RDONLY | O_DIRECTORY);
        for (int s = 0; s < kSubFolders; ++s) {
            std::string sub = "folder" + std::to_string(s);
            mkdirat(topFd, sub.c_str(), 0755);
            int subFd = openat(topFd, sub.c_str(), O_RDONLY | O_DIRECTORY);
            for (int f = 0; f < kFilesPerFolder; ++f) {
                std::string file = "picture-" + std::to_string(f) + ".gif";
                close(openat(subFd, file.c_str(), O_CREAT | O_WRONLY, 0644));
            }
            close(subFd);
        }
        close(topFd);
    }
    close(root);
}

void removeTree() {
    std::string command = "rm -rf '" + gRoot + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "walk-bench: could not remove %s\n", gRoot.c_str());
    }
}

long plainWalk(int dirFd) {
    DIR* dir = fdopendir(dirFd);
    if (dir == nullptr) {
        close(dirFd);
        return 0;
    }
    long items = 0;
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        ++items;
        if (entry->d_type == DT_DIR) {
            int child = openat(dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
            if (child >= 0) {
                items += plainWalk(child);
            }
        }
    }
    closedir(dir);
    return items;
}

FSRef rootRef() {
    FSRef ref;
    std::memset(&ref, 0, sizeof ref);
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(gRoot.data()), static_cast<CFIndex>(gRoot.size()),
        true);
    CFURLGetFSRef(url, &ref);
    CFRelease(url);
    return ref;
}

Boolean countItem(Boolean, ItemCount, const FSCatalogInfo*, const FSRef*, const FSSpec*,
                  const HFSUniStr255*, void* data) {
    ++*static_cast<long*>(data);
    return false;
}

void BM_PlainReaddirWalk(benchmark::State& state) {
    long items = 0;
    for (auto _ : state) {
        items = plainWalk(open(gRoot.c_str(), O_RDONLY | O_DIRECTORY));
        benchmark::DoNotOptimize(items);
    }
    state.counters["items"] = static_cast<double>(items);
}

void BM_FSIterateContainer(benchmark::State& state) {
    FSRef ref = rootRef();
    long items = 0;
    for (auto _ : state) {
        items = 0;
        FSIterateContainer(&ref, 0, kFSCatInfoNodeFlags, true, true, countItem, &items);
        benchmark::DoNotOptimize(items);
    }
    state.counters["items"] = static_cast<double>(items);
}

void BM_ImageCacheConstruction(benchmark::State& state) {
    FSRef ref = rootRef();
    for (auto _ : state) {
        ImageImportManager cache(ref);
        benchmark::DoNotOptimize(ImageImportManager::componentForFilename(CFSTR("none")));
    }
}

BENCHMARK(BM_PlainReaddirWalk)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_FSIterateContainer)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ImageCacheConstruction)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    makeTree();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    removeTree();
    return 0;
}
