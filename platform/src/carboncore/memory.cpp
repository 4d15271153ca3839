#include <CarbonCore/MacMemory.h>

#include "../common/Object.h"
#include "../common/TypeIDs.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

struct HandleBlock;

// The handle is the address of `bytes`, the master pointer to the block's memory.
struct MasterPointer {
    char* bytes = nullptr;
    HandleBlock* owner = nullptr;
};

struct HandleBlock : platform::Object {
    MasterPointer master;
    Size size = 0;
};

void handleFinalize(platform::Object* object) {
    auto* block = static_cast<HandleBlock*>(object);
    std::free(block->master.bytes);
    block->master.bytes = nullptr;
}

const platform::ObjectClass kHandleClass = {
    "Handle", platform::kTypeIDToolbox, handleFinalize, nullptr, nullptr, nullptr};

HandleBlock* blockOf(Handle h) {
    if (h == nullptr) {
        return nullptr;
    }
    HandleBlock* block = reinterpret_cast<MasterPointer*>(h)->owner;
    return block != nullptr && block->cls == &kHandleClass ? block : nullptr;
}

} // namespace

extern "C" {

Handle NewHandle(Size byteCount) {
    if (byteCount < 0) {
        return nullptr;
    }
    auto* block = platform::createObject<HandleBlock>(&kHandleClass);
    if (block == nullptr) {
        return nullptr;
    }
    block->master.owner = block;
    block->master.bytes = static_cast<char*>(std::calloc(1, byteCount > 0 ? byteCount : 1));
    if (block->master.bytes == nullptr) {
        platform::releaseObject(block);
        return nullptr;
    }
    block->size = byteCount;
    return &block->master.bytes;
}

void DisposeHandle(Handle h) {
    platform::releaseObject(blockOf(h));
}

Size GetHandleSize(Handle h) {
    HandleBlock* block = blockOf(h);
    return block == nullptr ? 0 : block->size;
}

OSErr SetHandleSize(Handle h, Size newSize) {
    HandleBlock* block = blockOf(h);
    if (block == nullptr || newSize < 0) {
        return paramErr;
    }
    auto* bytes = static_cast<char*>(std::realloc(block->master.bytes, newSize > 0 ? newSize : 1));
    if (bytes == nullptr) {
        return memFullErr;
    }
    if (newSize > block->size) {
        std::memset(bytes + block->size, 0, static_cast<size_t>(newSize - block->size));
    }
    block->master.bytes = bytes;
    block->size = newSize;
    return noErr;
}

void HLock(Handle) {}
void HUnlock(Handle) {}

} // extern "C"
