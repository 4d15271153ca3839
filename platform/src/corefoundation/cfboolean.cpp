#include <CoreFoundation/CFBoolean.h>

#include "../common/Object.h"
#include "../common/TypeIDs.h"

struct __CFBoolean : platform::Object {
    bool value = false;
};

namespace {

std::string booleanDescribe(const platform::Object* object) {
    return static_cast<const __CFBoolean*>(object)->value ? "true" : "false";
}

const platform::ObjectClass kBooleanClass = {
    "CFBoolean", platform::kTypeIDBoolean, nullptr, nullptr, nullptr, booleanDescribe};

CFBooleanRef makeConstant(bool value) {
    auto* boolean = new __CFBoolean();
    platform::registerLive(boolean, &kBooleanClass);
    platform::makeImmortal(boolean);
    boolean->value = value;
    return boolean;
}

} // namespace

extern "C" {

const CFBooleanRef kCFBooleanTrue = makeConstant(true);
const CFBooleanRef kCFBooleanFalse = makeConstant(false);

CFTypeID CFBooleanGetTypeID(void) {
    return platform::kTypeIDBoolean;
}

Boolean CFBooleanGetValue(CFBooleanRef boolean) {
    const __CFBoolean* b = platform::objectAs<const __CFBoolean>(boolean, &kBooleanClass);
    return b != nullptr && b->value;
}

} // extern "C"
