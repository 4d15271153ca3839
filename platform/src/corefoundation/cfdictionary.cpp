#include <CoreFoundation/CFDictionary.h>

#include "../common/Object.h"
#include "../common/TypeIDs.h"
#include "CallBacks.h"

#include <string>
#include <unordered_map>
#include <vector>

extern "C" const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {
    0,       platform::retainCallBack, platform::releaseCallBack,
    nullptr, platform::equalCallBack,  platform::hashCallBack};
extern "C" const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {
    0, platform::retainCallBack, platform::releaseCallBack, nullptr, platform::equalCallBack};

struct __CFDictionary : platform::Object {
    struct Entry {
        const void* key;
        const void* value;
    };
    CFDictionaryKeyCallBacks keyCallBacks{};
    CFDictionaryValueCallBacks valueCallBacks{};
    std::unordered_map<CFHashCode, std::vector<Entry>> buckets;
    CFIndex count = 0;

    CFHashCode hashOf(const void* key) const {
        return keyCallBacks.hash != nullptr ? keyCallBacks.hash(key)
                                            : reinterpret_cast<CFHashCode>(key);
    }
    bool keysEqual(const void* a, const void* b) const {
        if (a == b) {
            return true;
        }
        return keyCallBacks.equal != nullptr && keyCallBacks.equal(a, b);
    }
    Entry* find(const void* key) {
        auto bucket = buckets.find(hashOf(key));
        if (bucket == buckets.end()) {
            return nullptr;
        }
        for (Entry& entry : bucket->second) {
            if (keysEqual(entry.key, key)) {
                return &entry;
            }
        }
        return nullptr;
    }
    void releaseEntry(const Entry& entry) const {
        if (keyCallBacks.release != nullptr) {
            keyCallBacks.release(nullptr, entry.key);
        }
        if (valueCallBacks.release != nullptr) {
            valueCallBacks.release(nullptr, entry.value);
        }
    }
};

namespace {

void dictionaryFinalize(platform::Object* object) {
    auto* dict = static_cast<__CFDictionary*>(object);
    for (auto& [hash, entries] : dict->buckets) {
        for (auto& entry : entries) {
            dict->releaseEntry(entry);
        }
    }
    dict->buckets.clear();
    dict->count = 0;
}

std::string dictionaryDescribe(const platform::Object* object) {
    return "<CFDictionary of " + std::to_string(static_cast<const __CFDictionary*>(object)->count) +
           ">";
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

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef, CFIndex,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks) {
    __CFDictionary* dict = platform::createObject<__CFDictionary>(&kDictionaryClass);
    if (dict == nullptr) {
        return nullptr;
    }
    if (keyCallBacks != nullptr) {
        dict->keyCallBacks = *keyCallBacks;
    }
    if (valueCallBacks != nullptr) {
        dict->valueCallBacks = *valueCallBacks;
    }
    return dict;
}

CFIndex CFDictionaryGetCount(CFDictionaryRef theDict) {
    __CFDictionary* dict = asDictionary(theDict);
    return dict == nullptr ? 0 : dict->count;
}

Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef theDict, const void* key,
                                      const void** value) {
    __CFDictionary* dict = asDictionary(theDict);
    if (dict == nullptr) {
        return false;
    }
    __CFDictionary::Entry* entry = dict->find(key);
    if (entry == nullptr) {
        return false;
    }
    if (value != nullptr) {
        *value = entry->value;
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
    if (__CFDictionary::Entry* entry = dict->find(key)) {
        const void* old = entry->value;
        entry->value = value;
        if (dict->valueCallBacks.release != nullptr) {
            dict->valueCallBacks.release(nullptr, old);
        }
        return;
    }
    if (dict->keyCallBacks.retain != nullptr) {
        key = dict->keyCallBacks.retain(nullptr, key);
    }
    dict->buckets[dict->hashOf(key)].push_back({key, value});
    ++dict->count;
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key) {
    __CFDictionary* dict = asDictionary(theDict);
    if (dict == nullptr) {
        return;
    }
    auto bucket = dict->buckets.find(dict->hashOf(key));
    if (bucket == dict->buckets.end()) {
        return;
    }
    auto& entries = bucket->second;
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (dict->keysEqual(it->key, key)) {
            __CFDictionary::Entry removed = *it;
            entries.erase(it);
            if (entries.empty()) {
                dict->buckets.erase(bucket);
            }
            --dict->count;
            dict->releaseEntry(removed);
            return;
        }
    }
}

void CFDictionaryRemoveAllValues(CFMutableDictionaryRef theDict) {
    __CFDictionary* dict = asDictionary(theDict);
    if (dict != nullptr) {
        dictionaryFinalize(dict);
    }
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys, const void** values) {
    __CFDictionary* dict = asDictionary(theDict);
    if (dict == nullptr) {
        return;
    }
    size_t i = 0;
    for (auto& [hash, entries] : dict->buckets) {
        for (auto& entry : entries) {
            if (keys != nullptr) {
                keys[i] = entry.key;
            }
            if (values != nullptr) {
                values[i] = entry.value;
            }
            ++i;
        }
    }
}

void CFDictionaryApplyFunction(CFDictionaryRef theDict, CFDictionaryApplierFunction applier,
                               void* context) {
    __CFDictionary* dict = asDictionary(theDict);
    if (dict == nullptr || applier == nullptr) {
        return;
    }
    // A snapshot, so that the applier can't disturb the walk.
    std::vector<__CFDictionary::Entry> entries;
    for (auto& [hash, bucket] : dict->buckets) {
        entries.insert(entries.end(), bucket.begin(), bucket.end());
    }
    for (auto& entry : entries) {
        applier(entry.key, entry.value, context);
    }
}

} // extern "C"
