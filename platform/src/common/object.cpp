#include "Object.h"

#include "LiveObjects.h"

#include <cstdio>
#include <map>
#include <string>

namespace platform {
namespace {

Object* gLiveHead = nullptr;
long gLiveCount = 0;

struct FailureRequest {
    int skip = 0;
    int fail = 0;
};
std::map<std::string, FailureRequest>& failureRequests() {
    static std::map<std::string, FailureRequest> requests;
    return requests;
}

} // namespace

void registerLive(Object* object, const ObjectClass* cls) {
    object->cls = cls;
    object->refCount = 1;
    object->prevLive = nullptr;
    object->nextLive = gLiveHead;
    if (gLiveHead != nullptr) {
        gLiveHead->prevLive = object;
    }
    gLiveHead = object;
    ++gLiveCount;
}

void unregisterLive(Object* object) {
    if (object->immortal) {
        return;
    }
    if (object->prevLive != nullptr) {
        object->prevLive->nextLive = object->nextLive;
    } else if (gLiveHead == object) {
        gLiveHead = object->nextLive;
    }
    if (object->nextLive != nullptr) {
        object->nextLive->prevLive = object->prevLive;
    }
    object->prevLive = object->nextLive = nullptr;
    --gLiveCount;
}

void makeImmortal(Object* object) {
    unregisterLive(object);
    object->immortal = true;
}

bool gAllocationFailuresRequested = false;

bool allocationAllowedSlow(const ObjectClass* cls) {
    auto& requests = failureRequests();
    auto found = requests.find(cls->name);
    if (found == requests.end()) {
        return true;
    }
    FailureRequest& request = found->second;
    if (request.skip > 0) {
        --request.skip;
        return true;
    }
    if (request.fail > 0) {
        if (--request.fail == 0) {
            requests.erase(found);
            gAllocationFailuresRequested = !requests.empty();
        }
        return false;
    }
    requests.erase(found);
    gAllocationFailuresRequested = !requests.empty();
    return true;
}

void retainObject(Object* object) {
    if (object != nullptr && !object->immortal) {
        ++object->refCount;
    }
}

void releaseObject(Object* object) {
    if (object == nullptr || object->immortal) {
        return;
    }
    if (object->refCount <= 0) {
        std::fprintf(stderr, "platform: release of a dead %s\n", object->cls->name);
        return;
    }
    if (--object->refCount > 0) {
        return;
    }
    if (object->cls->finalize != nullptr) {
        object->cls->finalize(object);
    }
    unregisterLive(object);
    delete object;
}

std::string describeObject(CFTypeRef cf) {
    Object* object = asObject(cf);
    if (object == nullptr) {
        return "(null)";
    }
    if (object->cls->describe != nullptr) {
        return object->cls->describe(object);
    }
    return std::string("<") + object->cls->name + ">";
}

long liveObjectCount() {
    return gLiveCount;
}

std::string liveObjectReport() {
    std::map<std::string, int> byClass;
    for (Object* object = gLiveHead; object != nullptr; object = object->nextLive) {
        ++byClass[object->cls->name];
    }
    std::string report;
    for (const auto& [name, count] : byClass) {
        if (!report.empty()) {
            report += ", ";
        }
        report += std::to_string(count) + " " + name;
    }
    return report;
}

std::string liveObjectList(long limit) {
    std::string list;
    long n = 0;
    for (Object* object = gLiveHead; object != nullptr && n < limit; object = object->nextLive) {
        list += describeObject(object);
        list += "\n";
        ++n;
    }
    return list;
}

void failAllocations(const char* className, int skip, int count) {
    if (count <= 0) {
        failureRequests().erase(className);
    } else {
        failureRequests()[className] = FailureRequest{skip, count};
    }
    gAllocationFailuresRequested = !failureRequests().empty();
}

void clearAllocationFailures() {
    failureRequests().clear();
    gAllocationFailuresRequested = false;
}

} // namespace platform
