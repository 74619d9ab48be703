#include "platform/com/Bstr.h"
#include "platform/com/ComObject.h"

#include <gtest/gtest.h>

namespace zentar {
namespace {

struct IFoo : IUnknown {
    static constexpr GUID kIid = MakeGuid("{11111111-2222-3333-4444-555555555555}");
    virtual int foo() = 0;
};
struct IBar : IUnknown {
    static constexpr GUID kIid = MakeGuid("{AAAAAAAA-2222-3333-4444-555555555555}");
    virtual int bar() = 0;
};

int gLive = 0;
class FooBar : public ComObject<IFoo, IBar> {
public:
    FooBar() { ++gLive; }
    ~FooBar() override { --gLive; }
    int foo() override { return 1; }
    int bar() override { return 2; }
};

TEST(ComObjectTest, QueryInterfaceCountsReferencesAndFreesOnLastRelease) {
    {
        ComPtr<FooBar> object = MakeComObject<FooBar>();
        ASSERT_TRUE(object);
        ComPtr<IBar> bar;
        ASSERT_EQ(object.As(bar), S_OK);
        EXPECT_EQ(bar->bar(), 2);
        ComPtr<IFoo> foo = bar.As<IFoo>();
        ASSERT_TRUE(foo);
        EXPECT_EQ(foo->foo(), 1);
        ComPtr<IUnknown> unknown1 = foo.As<IUnknown>();
        ComPtr<IUnknown> unknown2 = bar.As<IUnknown>();
        // Identity: every interface answers the same IUnknown.
        EXPECT_EQ(unknown1.Get(), unknown2.Get());
        void* none = reinterpret_cast<void*>(1);
        EXPECT_EQ(object->QueryInterface(MakeGuid("{00000000-0000-0000-0000-000000000001}"), &none),
                  E_NOINTERFACE);
        EXPECT_EQ(none, nullptr);
        EXPECT_EQ(gLive, 1);
    }
    EXPECT_EQ(gLive, 0);
}

TEST(BstrTest, KeepsLengthAndRoundTripsUtf8) {
    const std::u16string wide = WideFromUtf8("Caf\xC3\xA9 \xF0\x9F\x8E\xAC");
    EXPECT_EQ(wide.size(), 7u); // the clapper board is a surrogate pair
    UniqueBstr b(SysAllocString(wide.c_str()));
    EXPECT_EQ(SysStringLen(b.get()), 7u);
    EXPECT_EQ(Utf8FromWide(b.view()), "Caf\xC3\xA9 \xF0\x9F\x8E\xAC");
    EXPECT_EQ(WideFromUtf8("\xFF"), std::u16string(1, u'\xFFFD'));
    EXPECT_EQ(SysStringLen(nullptr), 0u);
}

} // namespace
} // namespace zentar
