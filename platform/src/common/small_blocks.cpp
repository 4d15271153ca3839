#include "SmallBlocks.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <sys/mman.h>

#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#else
#define RUNNING_ON_VALGRIND 0
#endif

#if defined(__SANITIZE_ADDRESS__)
#define PLATFORM_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLATFORM_UNDER_ASAN 1
#endif
#endif

namespace platform {

#ifdef PLATFORM_UNDER_ASAN
const size_t kLargestSmallBlock = 0;
#else
const size_t kLargestSmallBlock = 256;
#endif

namespace {

constexpr size_t kPageSize = 64 * 1024;
constexpr size_t kGrain = 8;
constexpr size_t kClasses = 256 / kGrain + 1; // by size rounded up to the grain, 8 to 256
// Pages are mapped this many at a time, so that a large cache does not map them one by one.
constexpr size_t kPagesPerMapping = 16;

struct Page {
    Page* previous = nullptr; // in its class's list of pages with room
    Page* next = nullptr;
    void* freed = nullptr; // a freed block's first bytes hold the next freed one
    uint32_t blockSize = 0;
    uint32_t capacity = 0;  // blocks in the page
    uint32_t live = 0;      // blocks handed out and not freed
    uint32_t untouched = 0; // the first block never handed out
    bool listed = false;    // in its class's list of pages with room
};
// The blocks start after a header of one cache line.
constexpr size_t kHeaderSize = 64;
static_assert(sizeof(Page) <= kHeaderSize);

Page* gWithRoom[kClasses] = {};
// Mapped pages never handed out: untouched memory, which costs the process nothing yet.
char* gFresh = nullptr;
size_t gFreshCount = 0;
// One emptied page kept back, so that a block freed and taken again in turn does not map and
// unmap a page each time.
Page* gSpare = nullptr;
size_t gPageBytes = 0;

// Whether blocks come from pages: not under AddressSanitizer, nor under valgrind, which watch
// only the heap's blocks. Decided once, before the first block, and kept: a block's size alone
// says where it came from.
bool pagesUsed() {
    static const bool used = kLargestSmallBlock > 0 && !RUNNING_ON_VALGRIND;
    return used;
}

Page* pageOf(void* block) {
    return reinterpret_cast<Page*>(reinterpret_cast<uintptr_t>(block) & ~(kPageSize - 1));
}

// kPagesPerMapping pages aligned to their size, from one mapping trimmed at both ends.
bool mapFreshPages() {
    size_t length = (kPagesPerMapping + 1) * kPageSize;
    void* mapped =
        mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        return false;
    }
    auto start = reinterpret_cast<uintptr_t>(mapped);
    uintptr_t aligned = (start + kPageSize - 1) & ~(kPageSize - 1);
    uintptr_t end = aligned + kPagesPerMapping * kPageSize;
    if (aligned > start) {
        munmap(mapped, aligned - start);
    }
    if (start + length > end) {
        munmap(reinterpret_cast<void*>(end), start + length - end);
    }
    gFresh = reinterpret_cast<char*>(aligned);
    gFreshCount = kPagesPerMapping;
    return true;
}

Page* newPage(size_t blockSize) {
    void* memory = nullptr;
    if (gSpare != nullptr) {
        memory = gSpare;
        gSpare = nullptr;
    } else {
        if (gFreshCount == 0 && !mapFreshPages()) {
            return nullptr;
        }
        memory = gFresh;
        gFresh += kPageSize;
        --gFreshCount;
        gPageBytes += kPageSize;
    }
    auto* page = new (memory) Page();
    page->blockSize = static_cast<uint32_t>(blockSize);
    page->capacity = static_cast<uint32_t>((kPageSize - kHeaderSize) / blockSize);
    return page;
}

size_t classOf(size_t blockSize) {
    return blockSize / kGrain;
}

void list(Page* page) {
    Page*& head = gWithRoom[classOf(page->blockSize)];
    page->previous = nullptr;
    page->next = head;
    if (head != nullptr) {
        head->previous = page;
    }
    head = page;
    page->listed = true;
}

void unlist(Page* page) {
    if (page->previous != nullptr) {
        page->previous->next = page->next;
    } else {
        gWithRoom[classOf(page->blockSize)] = page->next;
    }
    if (page->next != nullptr) {
        page->next->previous = page->previous;
    }
    page->previous = page->next = nullptr;
    page->listed = false;
}

// An emptied page is kept as the spare, or goes back to the system.
void retire(Page* page) {
    if (page->listed) {
        unlist(page);
    }
    if (gSpare == nullptr) {
        gSpare = page;
        return;
    }
    munmap(page, kPageSize);
    gPageBytes -= kPageSize;
}

} // namespace

void* allocateSmallBlock(size_t size) {
    if (size > kLargestSmallBlock || !pagesUsed()) {
        return ::operator new(size, std::nothrow);
    }
    size_t blockSize = size <= kGrain ? kGrain : (size + kGrain - 1) & ~(kGrain - 1);
    Page* page = gWithRoom[classOf(blockSize)];
    if (page == nullptr) {
        page = newPage(blockSize);
        if (page == nullptr) {
            return nullptr;
        }
        list(page);
    }
    void* block;
    if (page->freed != nullptr) {
        block = page->freed;
        std::memcpy(&page->freed, block, sizeof(void*));
    } else {
        block = reinterpret_cast<char*>(page) + kHeaderSize + page->untouched++ * page->blockSize;
    }
    if (++page->live == page->capacity) {
        unlist(page); // full
    }
    return block;
}

void freeSmallBlock(void* block, size_t size) {
    if (block == nullptr) {
        return;
    }
    if (size > kLargestSmallBlock || !pagesUsed()) {
        ::operator delete(block);
        return;
    }
    Page* page = pageOf(block);
    std::memcpy(block, &page->freed, sizeof(void*));
    page->freed = block;
    if (--page->live == 0) {
        retire(page);
    } else if (!page->listed) {
        list(page);
    }
}

size_t smallBlockPageBytes() {
    return gPageBytes;
}

} // namespace platform
