// Dictionaries as one open-addressing table: linear probing over a compact array of hash tags
// beside the slots, one probe sequence for a find-or-insert, and deletion by shifting back (no
// tombstones), so that a lookup reads one run of adjacent tags and hashes its key once.
#include <CoreFoundation/CFDictionary.h>

#include "../common/Object.h"
#include "../common/TypeIDs.h"
#include "CallBacks.h"
#include "Strings.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {
    0,       platform::retainCallBack, platform::releaseCallBack,
    nullptr, platform::equalCallBack,  platform::hashCallBack};
extern "C" const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {
    0, platform::retainCallBack, platform::releaseCallBack, nullptr, platform::equalCallBack};

struct __CFDictionary : platform::Object {
    struct Slot {
        const void* key; // meaningful only where the slot's tag is not 0
        const void* value;
    };
    CFDictionaryKeyCallBacks keyCallBacks{};
    CFDictionaryValueCallBacks valueCallBacks{};
    bool cfTypeKeys = false; // the keys are CF objects: CFHash and CFEqual, called directly
    // Each slot's tag is the low 32 bits of its key's hash (never 0), 0 for an empty slot. The
    // tags stand apart from the slots so that a probe reads a small array, and a key is looked
    // at only where its tag matches. A key's home is its tag scaled to the capacity, so that the
    // table can grow by half rather than double: a large table is then at least half full.
    uint32_t* tags = nullptr;
    Slot* slots = nullptr;
    size_t capacity = 0; // 0 until the first key
    size_t used = 0;     // slots holding a key
    // A key that is the null pointer has a place of its own.
    bool hasNullKey = false;
    const void* nullKeyValue = nullptr;

    ~__CFDictionary() {
        std::free(tags);
        std::free(slots);
    }

    CFIndex count() const { return static_cast<CFIndex>(used + (hasNullKey ? 1 : 0)); }

    uint32_t tagOf(const void* key) const {
        // String keys, the common case, are hashed here rather than through two calls.
        CFHashCode h = cfTypeKeys && platform::isStringObject(key)
                           ? platform::stringHashOf(static_cast<const __CFString*>(key))
                       : cfTypeKeys                   ? CFHash(key)
                       : keyCallBacks.hash != nullptr ? keyCallBacks.hash(key)
                                                      : reinterpret_cast<CFHashCode>(key);
        // Mixed, so that hashes that differ only in high bits, or pointers that share their
        // low bits, still spread over the slots.
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdULL;
        h ^= h >> 33;
        auto tag = static_cast<uint32_t>(h);
        return tag != 0 ? tag : 1;
    }
    bool keysEqual(const void* a, const void* b) const {
        if (a == b) {
            return true;
        }
        if (cfTypeKeys) {
            if (platform::isStringObject(a) && platform::isStringObject(b)) {
                return platform::stringsEqual(static_cast<const __CFString*>(a),
                                              static_cast<const __CFString*>(b));
            }
            return CFEqual(a, b);
        }
        return keyCallBacks.equal != nullptr && keyCallBacks.equal(a, b);
    }
    static size_t homeOf(uint32_t tag, size_t slotCount) {
        return static_cast<size_t>((static_cast<uint64_t>(tag) * slotCount) >> 32);
    }
    static size_t after(size_t i, size_t slotCount) { return i + 1 == slotCount ? 0 : i + 1; }
    // The slot holding the key, or the empty slot where it would go. The table is never full.
    size_t probe(const void* key, uint32_t tag) const {
        for (size_t i = homeOf(tag, capacity);; i = after(i, capacity)) {
            uint32_t here = tags[i];
            if (here == 0 || (here == tag && keysEqual(slots[i].key, key))) {
                return i;
            }
        }
    }
    Slot* find(const void* key) {
        if (used == 0) {
            return nullptr;
        }
        size_t i = probe(key, tagOf(key));
        return tags[i] != 0 ? &slots[i] : nullptr;
    }
    // Room for one more key at a load of at most three quarters.
    bool reserve(size_t keys) {
        if ((keys + 1) * 4 <= capacity * 3) {
            return true;
        }
        size_t grown = capacity == 0 ? 8 : capacity;
        while ((keys + 1) * 4 > grown * 3) {
            grown += grown / 2;
        }
        auto* freshTags = static_cast<uint32_t*>(std::calloc(grown, sizeof(uint32_t)));
        auto* freshSlots = static_cast<Slot*>(std::malloc(grown * sizeof(Slot)));
        if (freshTags == nullptr || freshSlots == nullptr) {
            std::free(freshTags);
            std::free(freshSlots);
            return false;
        }
        for (size_t i = 0; i < capacity; ++i) {
            if (tags[i] != 0) {
                size_t at = homeOf(tags[i], grown);
                while (freshTags[at] != 0) {
                    at = after(at, grown);
                }
                freshTags[at] = tags[i];
                freshSlots[at] = slots[i];
            }
        }
        std::free(tags);
        std::free(slots);
        tags = freshTags;
        slots = freshSlots;
        capacity = grown;
        return true;
    }
    // Empties slot i and moves later keys of its run back, so no probe sequence is broken.
    void vacate(size_t i) {
        size_t hole = i;
        for (size_t j = after(i, capacity); tags[j] != 0; j = after(j, capacity)) {
            size_t home = homeOf(tags[j], capacity);
            // Whether j's home lies cyclically in (hole, j]: then it stays.
            bool stays = hole <= j ? (home > hole && home <= j) : (home > hole || home <= j);
            if (!stays) {
                tags[hole] = tags[j];
                slots[hole] = slots[j];
                hole = j;
            }
        }
        tags[hole] = 0;
        --used;
    }
    void releaseKeyAndValue(const void* key, const void* value) const {
        if (keyCallBacks.release != nullptr) {
            keyCallBacks.release(nullptr, key);
        }
        if (valueCallBacks.release != nullptr) {
            valueCallBacks.release(nullptr, value);
        }
    }
    void clear() {
        // Detached first: a release callback may look at the dictionary.
        uint32_t* oldTags = tags;
        Slot* old = slots;
        size_t oldCapacity = capacity;
        bool hadNull = hasNullKey;
        const void* nullValue = nullKeyValue;
        tags = nullptr;
        slots = nullptr;
        capacity = used = 0;
        hasNullKey = false;
        nullKeyValue = nullptr;
        // The keys lie scattered over the heap, in no order the slots know: each is asked for a
        // few slots ahead of its release, so that a large table's releases do not wait on
        // memory one at a time.
        constexpr size_t kAhead = 16;
        for (size_t i = 0; i < oldCapacity; ++i) {
            size_t ahead = i + kAhead;
            if (ahead < oldCapacity && oldTags[ahead] != 0) {
                __builtin_prefetch(old[ahead].key, 1);
            }
            if (oldTags[i] != 0) {
                releaseKeyAndValue(old[i].key, old[i].value);
            }
        }
        std::free(oldTags);
        std::free(old);
        if (hadNull) {
            releaseKeyAndValue(nullptr, nullValue);
        }
    }
    template <class Visit>
    void forEach(Visit visit) const {
        if (hasNullKey) {
            visit(static_cast<const void*>(nullptr), nullKeyValue);
        }
        for (size_t i = 0; i < capacity; ++i) {
            if (tags[i] != 0) {
                visit(slots[i].key, slots[i].value);
            }
        }
    }
};

namespace {

void dictionaryFinalize(platform::Object* object) {
    static_cast<__CFDictionary*>(object)->clear();
}

enum class WhenPresent { Replace, Keep };

// Stores the value under the key; a key already there keeps its first key object, and its value
// is replaced or kept.
void storeValue(__CFDictionary* dict, const void* key, const void* value, WhenPresent whenPresent) {
    auto releaseValue = [dict](const void* v) {
        if (dict->valueCallBacks.release != nullptr) {
            dict->valueCallBacks.release(nullptr, v);
        }
    };
    if (dict->valueCallBacks.retain != nullptr) {
        value = dict->valueCallBacks.retain(nullptr, value);
    }
    if (key == nullptr) {
        bool had = dict->hasNullKey;
        if (had && whenPresent == WhenPresent::Keep) {
            releaseValue(value);
            return;
        }
        const void* old = dict->nullKeyValue;
        if (!had && dict->keyCallBacks.retain != nullptr) {
            dict->keyCallBacks.retain(nullptr, key);
        }
        dict->hasNullKey = true;
        dict->nullKeyValue = value;
        if (had) {
            releaseValue(old);
        }
        return;
    }
    if (!dict->reserve(dict->used + 1)) {
        releaseValue(value);
        return;
    }
    uint32_t tag = dict->tagOf(key);
    size_t at = dict->probe(key, tag);
    __CFDictionary::Slot& slot = dict->slots[at];
    if (dict->tags[at] != 0) {
        if (whenPresent == WhenPresent::Keep) {
            releaseValue(value);
            return;
        }
        const void* old = slot.value;
        slot.value = value;
        releaseValue(old);
        return;
    }
    if (dict->keyCallBacks.retain != nullptr) {
        key = dict->keyCallBacks.retain(nullptr, key);
    }
    dict->tags[at] = tag;
    slot = {key, value};
    ++dict->used;
}

std::string dictionaryDescribe(const platform::Object* object) {
    return "<CFDictionary of " +
           std::to_string(static_cast<const __CFDictionary*>(object)->count()) + ">";
}

const platform::ObjectClass kDictionaryClass = {
    "CFDictionary", platform::kTypeIDDictionary, dictionaryFinalize, nullptr,
    nullptr,        dictionaryDescribe};

__CFDictionary* asDictionary(CFDictionaryRef dict) {
    return platform::objectAs<__CFDictionary>(dict, &kDictionaryClass);
}

} // namespace

extern "C" {

CFTypeID CFDictionaryGetTypeID(void) {
    return platform::kTypeIDDictionary;
}

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef, CFIndex capacity,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks) {
    __CFDictionary* dict = platform::createObject<__CFDictionary>(&kDictionaryClass);
    if (dict == nullptr) {
        return nullptr;
    }
    if (keyCallBacks != nullptr) {
        dict->keyCallBacks = *keyCallBacks;
        dict->cfTypeKeys = keyCallBacks->hash == platform::hashCallBack &&
                           keyCallBacks->equal == platform::equalCallBack;
    }
    if (valueCallBacks != nullptr) {
        dict->valueCallBacks = *valueCallBacks;
    }
    // The capacity is a limit, not a size; a modest one is taken as the expected size.
    if (capacity > 0 && capacity <= 4096) {
        dict->reserve(static_cast<size_t>(capacity));
    }
    return dict;
}

CFIndex CFDictionaryGetCount(CFDictionaryRef theDict) {
    __CFDictionary* dict = asDictionary(theDict);
    return dict == nullptr ? 0 : dict->count();
}

Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef theDict, const void* key,
                                      const void** value) {
    __CFDictionary* dict = asDictionary(theDict);
    if (dict == nullptr) {
        return false;
    }
    if (key == nullptr) {
        if (dict->hasNullKey && value != nullptr) {
            *value = dict->nullKeyValue;
        }
        return dict->hasNullKey;
    }
    __CFDictionary::Slot* slot = dict->find(key);
    if (slot == nullptr) {
        return false;
    }
    if (value != nullptr) {
        *value = slot->value;
    }
    return true;
}

const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key) {
    const void* value = nullptr;
    CFDictionaryGetValueIfPresent(theDict, key, &value);
    return value;
}

Boolean CFDictionaryContainsKey(CFDictionaryRef theDict, const void* key) {
    return CFDictionaryGetValueIfPresent(theDict, key, nullptr);
}

void CFDictionarySetValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
    if (__CFDictionary* dict = asDictionary(theDict)) {
        storeValue(dict, key, value, WhenPresent::Replace);
    }
}

void CFDictionaryAddValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
    if (__CFDictionary* dict = asDictionary(theDict)) {
        storeValue(dict, key, value, WhenPresent::Keep);
    }
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key) {
    __CFDictionary* dict = asDictionary(theDict);
    if (dict == nullptr) {
        return;
    }
    if (key == nullptr) {
        if (dict->hasNullKey) {
            const void* value = dict->nullKeyValue;
            dict->hasNullKey = false;
            dict->nullKeyValue = nullptr;
            dict->releaseKeyAndValue(nullptr, value);
        }
        return;
    }
    __CFDictionary::Slot* slot = dict->find(key);
    if (slot == nullptr) {
        return;
    }
    __CFDictionary::Slot removed = *slot;
    dict->vacate(static_cast<size_t>(slot - dict->slots));
    dict->releaseKeyAndValue(removed.key, removed.value);
}

void CFDictionaryRemoveAllValues(CFMutableDictionaryRef theDict) {
    if (__CFDictionary* dict = asDictionary(theDict)) {
        dict->clear();
    }
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys, const void** values) {
    __CFDictionary* dict = asDictionary(theDict);
    if (dict == nullptr) {
        return;
    }
    size_t i = 0;
    dict->forEach([&](const void* key, const void* value) {
        if (keys != nullptr) {
            keys[i] = key;
        }
        if (values != nullptr) {
            values[i] = value;
        }
        ++i;
    });
}

void CFDictionaryApplyFunction(CFDictionaryRef theDict, CFDictionaryApplierFunction applier,
                               void* context) {
    __CFDictionary* dict = asDictionary(theDict);
    if (dict == nullptr || applier == nullptr) {
        return;
    }
    // A snapshot, so that the applier can't disturb the walk.
    std::vector<std::pair<const void*, const void*>> entries;
    entries.reserve(static_cast<size_t>(dict->count()));
    dict->forEach([&](const void* key, const void* value) { entries.emplace_back(key, value); });
    for (const auto& [key, value] : entries) {
        applier(key, value, context);
    }
}

} // extern "C"
