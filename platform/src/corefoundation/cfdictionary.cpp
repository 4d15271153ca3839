// Dictionaries as one open-addressing table: linear probing over slots that keep each key's
// hash, one probe sequence for a find-or-insert, and deletion by shifting back (no tombstones),
// so that a lookup touches one run of adjacent slots and a key is hashed once per operation.
#include <CoreFoundation/CFDictionary.h>

#include "../common/Object.h"
#include "../common/TypeIDs.h"
#include "CallBacks.h"

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
        const void* key; // null: empty (a null key is kept aside, see nullKey)
        const void* value;
        CFHashCode hash;
    };
    CFDictionaryKeyCallBacks keyCallBacks{};
    CFDictionaryValueCallBacks valueCallBacks{};
    bool cfTypeKeys = false; // the keys are CF objects: CFHash and CFEqual, called directly
    Slot* slots = nullptr;
    size_t capacity = 0; // a power of two, or 0
    size_t used = 0;     // slots holding a key
    // A key that is the null pointer can't mark an empty slot: it has a place of its own.
    bool hasNullKey = false;
    const void* nullKeyValue = nullptr;

    ~__CFDictionary() override { std::free(slots); }

    CFIndex count() const { return static_cast<CFIndex>(used + (hasNullKey ? 1 : 0)); }

    CFHashCode hashOf(const void* key) const {
        CFHashCode h = cfTypeKeys                     ? CFHash(key)
                       : keyCallBacks.hash != nullptr ? keyCallBacks.hash(key)
                                                      : reinterpret_cast<CFHashCode>(key);
        // Mixed, so that hashes that differ only in high bits, or pointers that share their
        // low bits, still spread over the slots.
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdULL;
        h ^= h >> 33;
        return h;
    }
    bool keysEqual(const void* a, const void* b) const {
        if (a == b) {
            return true;
        }
        if (cfTypeKeys) {
            return CFEqual(a, b);
        }
        return keyCallBacks.equal != nullptr && keyCallBacks.equal(a, b);
    }
    // The slot holding the key, or the empty slot where it would go. The table is never full.
    size_t probe(const void* key, CFHashCode hash) const {
        size_t mask = capacity - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots[i];
            if (slot.key == nullptr || (slot.hash == hash && keysEqual(slot.key, key))) {
                return i;
            }
        }
    }
    Slot* find(const void* key) {
        if (used == 0) {
            return nullptr;
        }
        size_t i = probe(key, hashOf(key));
        return slots[i].key != nullptr ? &slots[i] : nullptr;
    }
    // Room for one more key at a load of at most three quarters.
    bool reserve(size_t keys) {
        if ((keys + 1) * 4 <= capacity * 3) {
            return true;
        }
        size_t grown = capacity == 0 ? 8 : capacity;
        while ((keys + 1) * 4 > grown * 3) {
            grown *= 2;
        }
        auto* fresh = static_cast<Slot*>(std::calloc(grown, sizeof(Slot)));
        if (fresh == nullptr) {
            return false;
        }
        Slot* old = slots;
        size_t oldCapacity = capacity;
        slots = fresh;
        capacity = grown;
        for (size_t i = 0; i < oldCapacity; ++i) {
            if (old[i].key != nullptr) {
                size_t mask = capacity - 1;
                size_t at = old[i].hash & mask;
                while (slots[at].key != nullptr) {
                    at = (at + 1) & mask;
                }
                slots[at] = old[i];
            }
        }
        std::free(old);
        return true;
    }
    // Empties slot i and moves later keys of its run back, so no probe sequence is broken.
    void vacate(size_t i) {
        size_t mask = capacity - 1;
        size_t hole = i;
        for (size_t j = (i + 1) & mask; slots[j].key != nullptr; j = (j + 1) & mask) {
            size_t home = slots[j].hash & mask;
            // Whether j's home lies cyclically in (hole, j]: then it stays.
            bool stays = hole <= j ? (home > hole && home <= j) : (home > hole || home <= j);
            if (!stays) {
                slots[hole] = slots[j];
                hole = j;
            }
        }
        slots[hole] = Slot{nullptr, nullptr, 0};
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
        Slot* old = slots;
        size_t oldCapacity = capacity;
        bool hadNull = hasNullKey;
        const void* nullValue = nullKeyValue;
        slots = nullptr;
        capacity = used = 0;
        hasNullKey = false;
        nullKeyValue = nullptr;
        for (size_t i = 0; i < oldCapacity; ++i) {
            if (old[i].key != nullptr) {
                releaseKeyAndValue(old[i].key, old[i].value);
            }
        }
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
            if (slots[i].key != nullptr) {
                visit(slots[i].key, slots[i].value);
            }
        }
    }
};

namespace {

void dictionaryFinalize(platform::Object* object) {
    static_cast<__CFDictionary*>(object)->clear();
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
    __CFDictionary* dict = asDictionary(theDict);
    if (dict == nullptr) {
        return;
    }
    if (dict->valueCallBacks.retain != nullptr) {
        value = dict->valueCallBacks.retain(nullptr, value);
    }
    if (key == nullptr) {
        const void* old = dict->nullKeyValue;
        bool had = dict->hasNullKey;
        if (!had && dict->keyCallBacks.retain != nullptr) {
            dict->keyCallBacks.retain(nullptr, key);
        }
        dict->hasNullKey = true;
        dict->nullKeyValue = value;
        if (had && dict->valueCallBacks.release != nullptr) {
            dict->valueCallBacks.release(nullptr, old);
        }
        return;
    }
    if (!dict->reserve(dict->used + 1)) {
        if (dict->valueCallBacks.release != nullptr) {
            dict->valueCallBacks.release(nullptr, value);
        }
        return;
    }
    CFHashCode hash = dict->hashOf(key);
    __CFDictionary::Slot& slot = dict->slots[dict->probe(key, hash)];
    if (slot.key != nullptr) {
        const void* old = slot.value;
        slot.value = value;
        if (dict->valueCallBacks.release != nullptr) {
            dict->valueCallBacks.release(nullptr, old);
        }
        return;
    }
    if (dict->keyCallBacks.retain != nullptr) {
        key = dict->keyCallBacks.retain(nullptr, key);
    }
    slot = {key, value, hash};
    ++dict->used;
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
