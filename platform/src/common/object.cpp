#include "Object.h"

#include "LiveObjects.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace platform {
namespace {

long gLiveCount = 0;

// Every class that has had an object, for the leak report.
std::vector<const ObjectClass*>& classesSeen() {
    static auto* classes = new std::vector<const ObjectClass*>();
    return *classes;
}

struct FailureRequest {
    int skip = 0;
    int fail = 0;
};
std::map<std::string, FailureRequest>& failureRequests() {
    static std::map<std::string, FailureRequest> requests;
    return requests;
}

} // namespace

void registerLiveAs(Object* object, const ObjectClass* cls, void (*destroy)(Object* object)) {
    object->cls = cls;
    object->refCount = 1;
    cls->destroy = destroy;
    ++cls->live;
    ++gLiveCount;
    if (!cls->listed) {
        cls->listed = true;
        classesSeen().push_back(cls);
    }
}

void unregisterLive(Object* object) {
    if (object->immortal()) {
        return;
    }
    --object->cls->live;
    --gLiveCount;
}

void makeImmortal(Object* object) {
    unregisterLive(object);
    object->refCount = kImmortalRefCount;
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
    if (object != nullptr && !object->immortal()) {
        ++object->refCount;
    }
}

void releaseObject(Object* object) {
    if (object == nullptr || object->immortal()) {
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
    object->cls->destroy(object);
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
    std::map<std::string, long> byClass;
    for (const ObjectClass* cls : classesSeen()) {
        if (cls->live > 0) {
            byClass[cls->name] += cls->live;
        }
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
