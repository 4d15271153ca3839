// CFDictionary as a general container, side by side with std::unordered_map<std::string, ...>:
// insert, look up and remove N string keys (1,000, 100,000 and 1,000,000).
//
//   dict-bench [--benchmark_...]
#include <CoreFoundation/CoreFoundation.h>

#include <benchmark/benchmark.h>

#include <string>
#include <unordered_map>
#include <vector>

namespace {

std::vector<std::string> keyTexts(size_t count) {
    std::vector<std::string> keys;
    keys.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        keys.push_back("folder" + std::to_string(i % 997) + "/picture-" + std::to_string(i) +
                       ".gif");
    }
    return keys;
}

// The keys as the cache holds them: string objects made once.
struct CFKeys {
    explicit CFKeys(size_t count) {
        for (const std::string& text : keyTexts(count)) {
            keys.push_back(CFStringCreateWithCString(nullptr, text.c_str(), kCFStringEncodingUTF8));
        }
    }
    ~CFKeys() {
        for (CFStringRef key : keys) {
            CFRelease(key);
        }
    }
    std::vector<CFStringRef> keys;
};

CFMutableDictionaryRef filled(const CFKeys& k) {
    CFMutableDictionaryRef dict =
        CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, nullptr);
    for (size_t i = 0; i < k.keys.size(); ++i) {
        CFDictionarySetValue(dict, k.keys[i], reinterpret_cast<const void*>(i + 1));
    }
    return dict;
}

void BM_CFDictionaryInsert(benchmark::State& state) {
    CFKeys k(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        CFMutableDictionaryRef dict = filled(k);
        benchmark::DoNotOptimize(dict);
        state.PauseTiming();
        CFRelease(dict);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_UnorderedMapInsert(benchmark::State& state) {
    std::vector<std::string> keys = keyTexts(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        auto* map = new std::unordered_map<std::string, const void*>();
        for (size_t i = 0; i < keys.size(); ++i) {
            (*map)[keys[i]] = reinterpret_cast<const void*>(i + 1);
        }
        benchmark::DoNotOptimize(map);
        state.PauseTiming();
        delete map;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_CFDictionaryLookup(benchmark::State& state) {
    CFKeys k(static_cast<size_t>(state.range(0)));
    // Lookups with other string objects of the same texts, as a caller's names would be.
    CFKeys probes(static_cast<size_t>(state.range(0)));
    CFMutableDictionaryRef dict = filled(k);
    for (auto _ : state) {
        for (CFStringRef key : probes.keys) {
            benchmark::DoNotOptimize(CFDictionaryGetValue(dict, key));
        }
    }
    CFRelease(dict);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_UnorderedMapLookup(benchmark::State& state) {
    std::vector<std::string> keys = keyTexts(static_cast<size_t>(state.range(0)));
    std::vector<std::string> probes = keys;
    std::unordered_map<std::string, const void*> map;
    for (size_t i = 0; i < keys.size(); ++i) {
        map[keys[i]] = reinterpret_cast<const void*>(i + 1);
    }
    for (auto _ : state) {
        for (const std::string& key : probes) {
            benchmark::DoNotOptimize(map.find(key));
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_CFDictionaryRemove(benchmark::State& state) {
    CFKeys k(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        CFMutableDictionaryRef dict = filled(k);
        state.ResumeTiming();
        for (CFStringRef key : k.keys) {
            CFDictionaryRemoveValue(dict, key);
        }
        state.PauseTiming();
        CFRelease(dict);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_UnorderedMapRemove(benchmark::State& state) {
    std::vector<std::string> keys = keyTexts(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto* map = new std::unordered_map<std::string, const void*>();
        for (size_t i = 0; i < keys.size(); ++i) {
            (*map)[keys[i]] = reinterpret_cast<const void*>(i + 1);
        }
        state.ResumeTiming();
        for (const std::string& key : keys) {
            map->erase(key);
        }
        state.PauseTiming();
        delete map;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_CFDictionaryInsert)->Apply(sizes);
BENCHMARK(BM_UnorderedMapInsert)->Apply(sizes);
BENCHMARK(BM_CFDictionaryLookup)->Apply(sizes);
BENCHMARK(BM_UnorderedMapLookup)->Apply(sizes);
BENCHMARK(BM_CFDictionaryRemove)->Apply(sizes);
BENCHMARK(BM_UnorderedMapRemove)->Apply(sizes);

} // namespace

BENCHMARK_MAIN();
