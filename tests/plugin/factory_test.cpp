// The factory, the instance's IUnknown and the interface records.
#include "pane/Construction.h"
#include "plugin/Factory.h"
#include "plugin/Lifecycle.h"
#include "support/PlatformTest.h"
#include "sync/TicketSync.h"

#include <cstdlib>
#include <cstring>

namespace {

const char* kFactory = "5C16FB24-2D86-46E4-AFE6-D8C0F52B5124";

class FactoryTest : public PlatformTest {
  protected:
    void TearDown() override {
        setRecordAllocator(nullptr);
        PlatformTest::TearDown();
    }
    static CFUUIDRef uuid(CFStringRef text) { return CFUUIDCreateFromString(nullptr, text); }
    static CFUUIDBytes bytes(CFStringRef text) {
        CFUUIDRef u = uuid(text);
        CFUUIDBytes b = CFUUIDGetUUIDBytes(u);
        CFRelease(u);
        return b;
    }
    AccountingPluginInstance* make() {
        CFUUIDRef type = uuid(kAccountingPlugInTypeString);
        auto* instance =
            static_cast<AccountingPluginInstance*>(AccountingPluginFactory(nullptr, type));
        CFRelease(type);
        return instance;
    }
    static AccountingPluginInterface* query(AccountingPluginInstance* instance,
                                            HRESULT* result = nullptr) {
        void* out = reinterpret_cast<void*>(0x1);
        HRESULT r =
            instance->vtable.QueryInterface(instance, bytes(kAccountingInterfaceString), &out);
        if (result != nullptr) {
            *result = r;
        }
        return static_cast<AccountingPluginInterface*>(out);
    }
};

TEST_F(FactoryTest, AnotherTypeGetsNothingAndRegistersNothing) {
    long live = PlatformHost::liveObjectCount();
    CFUUIDRef other = uuid(CFSTR("00000000-1111-2222-3333-444444444444"));
    EXPECT_EQ(AccountingPluginFactory(nullptr, other), nullptr);
    EXPECT_EQ(AccountingPluginFactory(nullptr, nullptr), nullptr);
    CFRelease(other);
    EXPECT_EQ(PlatformHost::liveObjectCount(), live) << "both UUIDs released";
    EXPECT_EQ(PlatformHost::liveInstancesForFactory(kFactory), 0);
}

TEST_F(FactoryTest, TheInstanceIsLaidOutAsTheLoaderReadsIt) {
    AccountingPluginInstance* instance = make();
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->vtablePtr, &instance->vtable);
    EXPECT_EQ(reinterpret_cast<void*>(instance->vtablePtr),
              reinterpret_cast<char*>(instance) + sizeof(void*))
        << "the table pointer, then the table";
    EXPECT_EQ(instance->vtable._reserved, nullptr);
    EXPECT_EQ(instance->vtable.QueryInterface, &QueryInterface);
    EXPECT_EQ(instance->vtable.AddRef, &IUnknownAddRef);
    EXPECT_EQ(instance->vtable.Release, &IUnknownRelease);
    EXPECT_EQ(instance->refCount, 1u);
    CFStringRef factory = CFUUIDCreateString(nullptr, instance->factoryID);
    EXPECT_TRUE(CFEqual(factory, kAccountingFactoryString));
    CFRelease(factory);
    EXPECT_EQ(PlatformHost::liveInstancesForFactory(kFactory), 1);
    EXPECT_EQ(IUnknownRelease(instance), 0u);
    EXPECT_EQ(PlatformHost::liveInstancesForFactory(kFactory), 0);
}

TEST_F(FactoryTest, IUnknownGivesTheSameInstanceAndRaisesItsCount) {
    AccountingPluginInstance* instance = make();
    void* out = nullptr;
    EXPECT_EQ(QueryInterface(instance, CFUUIDGetUUIDBytes(IUnknownUUID), &out), S_OK);
    EXPECT_EQ(out, instance);
    EXPECT_EQ(instance->refCount, 2u);
    EXPECT_EQ(IUnknownRelease(instance), 1u);
    EXPECT_EQ(PlatformHost::liveInstancesForFactory(kFactory), 1);
    EXPECT_EQ(IUnknownRelease(instance), 0u);
    EXPECT_EQ(PlatformHost::liveInstancesForFactory(kFactory), 0);
    EXPECT_EQ(IUnknownAddRef(nullptr), 0u);
    EXPECT_EQ(IUnknownRelease(nullptr), 0u);
}

TEST_F(FactoryTest, EachDialogExtensionQueryMakesARecordWithItsOwnTable) {
    AccountingPluginInstance* instance = make();
    HRESULT result = -1;
    AccountingPluginInterface* first = query(instance, &result);
    AccountingPluginInterface* second = query(instance);
    EXPECT_EQ(result, S_OK);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(first->vtable, second->vtable);
    EXPECT_EQ(first->refCount, 1u);
    EXPECT_EQ(instance->refCount, 1u) << "the instance's count is not raised";

    // The ten slots, read in order.
    void* const* slots = reinterpret_cast<void* const*>(first->vtable);
    EXPECT_EQ(sizeof(AccountingPluginInterfaceTable), 10 * sizeof(void*));
    const void* expected[] = {
        reinterpret_cast<const void*>(&Retain),         reinterpret_cast<const void*>(&Release),
        reinterpret_cast<const void*>(&GetAPIVersion),  reinterpret_cast<const void*>(&Prologue),
        reinterpret_cast<const void*>(&Initialize),     reinterpret_cast<const void*>(&Sync),
        reinterpret_cast<const void*>(&GetSummaryText), reinterpret_cast<const void*>(&Open),
        reinterpret_cast<const void*>(&Close),          reinterpret_cast<const void*>(&Terminate)};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(slots[i], expected[i]) << "slot " << i + 1;
    }

    auto* header = reinterpret_cast<PMPlugInHeaderInterface*>(first);
    first->vtable->plugInHeader.Release(&header);
    EXPECT_EQ(header, nullptr);
    PMPlugInAPIVersion version{9, 9, 9, 9};
    EXPECT_EQ(second->vtable->plugInHeader.GetAPIVersion(
                  reinterpret_cast<PMPlugInHeaderInterface*>(second), &version),
              noErr)
        << "releasing one leaves the other usable";
    auto* other = reinterpret_cast<PMPlugInHeaderInterface*>(second);
    Release(&other);
    IUnknownRelease(instance);
}

TEST_F(FactoryTest, ReleaseNullsTheCallersReferenceWhateverTheCount) {
    AccountingPluginInstance* instance = make();
    AccountingPluginInterface* record = query(instance);
    auto* header = reinterpret_cast<PMPlugInHeaderInterface*>(record);
    EXPECT_EQ(Retain(header), noErr);
    EXPECT_EQ(record->refCount, 2u);
    auto* reference = header;
    EXPECT_EQ(Release(&reference), noErr);
    EXPECT_EQ(reference, nullptr);
    EXPECT_EQ(record->refCount, 1u);
    reference = header;
    EXPECT_EQ(Release(&reference), noErr);
    EXPECT_EQ(Retain(nullptr), noErr);
    EXPECT_EQ(Release(nullptr), noErr);
    PMPlugInHeaderInterface* none = nullptr;
    EXPECT_EQ(Release(&none), noErr);
    IUnknownRelease(instance);
}

TEST_F(FactoryTest, APIVersionIsOneZeroOneZero) {
    PMPlugInAPIVersion version{9, 9, 9, 9};
    EXPECT_EQ(GetAPIVersion(nullptr, &version), noErr);
    EXPECT_EQ(version.buildVersionMajor, 1u);
    EXPECT_EQ(version.buildVersionMinor, 0u);
    EXPECT_EQ(version.baseVersionMajor, 1u);
    EXPECT_EQ(version.baseVersionMinor, 0u);
}

TEST_F(FactoryTest, AnotherInterfaceIsRefused) {
    AccountingPluginInstance* instance = make();
    void* out = reinterpret_cast<void*>(0x1);
    CFUUIDBytes other = bytes(CFSTR("12345678-1234-1234-1234-123456789ABC"));
    EXPECT_EQ(QueryInterface(instance, other, &out), static_cast<HRESULT>(0x80000004));
    EXPECT_EQ(out, nullptr) << "the out reference is always written";
    IUnknownRelease(instance);
}

int gAllocations = 0;
int gFailAt = 0;
void* failingAllocator(size_t count, size_t size) {
    return ++gAllocations == gFailAt ? nullptr : std::calloc(count, size);
}

TEST_F(FactoryTest, RecordsThatCantBeAllocatedAreNotHandedOut) {
    gAllocations = 0;
    gFailAt = 1;
    setRecordAllocator(failingAllocator);
    EXPECT_EQ(make(), nullptr);
    EXPECT_EQ(PlatformHost::liveInstancesForFactory(kFactory), 0) << "nothing registered";

    setRecordAllocator(nullptr);
    AccountingPluginInstance* instance = make();
    for (int failAt : {1, 2}) { // the record, then its table
        gAllocations = 0;
        gFailAt = failAt;
        setRecordAllocator(failingAllocator);
        HRESULT result = -1;
        EXPECT_EQ(query(instance, &result), nullptr) << failAt;
        EXPECT_EQ(result, S_OK) << failAt;
        setRecordAllocator(nullptr);
    }
    IUnknownRelease(instance);
}

} // namespace
