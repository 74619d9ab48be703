// The system device enumerator as the compressor lists walk it: CoCreateInstance, class
// enumerators for the two compressor categories in the catalogue's order, friendly names
// through the property bag, creation through the moniker, and an empty unknown category.
#include "platform/media/CompressorCatalog.h"

#include "tests/platform/media/WriterGraphTestUtil.h"

#include <gtest/gtest.h>

namespace zentar {
namespace {

std::vector<std::string> walk(REFCLSID category, std::vector<ComPtr<IMoniker>>* monikers) {
    RegisterMediaFilters();
    ComPtr<ICreateDevEnum> devices;
    EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, 7, ICreateDevEnum::kIid,
                               devices.GetVoidAddressOf()),
              S_OK);
    ComPtr<IEnumMoniker> list;
    std::vector<std::string> names;
    if (devices->CreateClassEnumerator(category, list.GetAddressOf(), 1) != S_OK)
        return names;
    EXPECT_EQ(list->Reset(), S_OK);
    ComPtr<IMoniker> moniker;
    while (list->Next(1, moniker.GetAddressOf(), nullptr) == S_OK) {
        ComPtr<IPropertyBag> bag;
        EXPECT_EQ(
            moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.GetVoidAddressOf()),
            S_OK);
        VARIANT value;
        VariantInit(&value);
        EXPECT_EQ(VariantChangeType(&value, &value, 0, VT_BSTR), S_OK);
        EXPECT_EQ(bag->Read(u"FriendlyName", &value, nullptr), S_OK);
        EXPECT_EQ(value.vt, VT_BSTR);
        EXPECT_EQ(bag->Read(u"CLSID", &value, nullptr), E_INVALIDARG);
        names.push_back(Utf8FromWide(std::u16string_view(value.bstrVal)));
        VariantClear(&value);
        if (monikers)
            monikers->push_back(moniker);
    }
    return names;
}

std::vector<std::string> catalogueNames(StreamKind kind) {
    std::vector<std::string> names;
    for (const CompressorInfo& info : CompressorCatalog::list(kind))
        names.push_back(info.friendlyName);
    return names;
}

TEST(SystemDeviceEnumTest, CategoriesListTheCatalogueInItsOrder) {
    const std::vector<std::string> video = walk(CLSID_VideoCompressorCategory, nullptr);
    EXPECT_EQ(video, catalogueNames(StreamKind::Video));
    ASSERT_FALSE(video.empty());
    EXPECT_EQ(video.front(), "Microsoft Video 1");
    const std::vector<std::string> audio = walk(CLSID_AudioCompressorCategory, nullptr);
    EXPECT_EQ(audio, catalogueNames(StreamKind::Audio));
    ASSERT_FALSE(audio.empty());
    EXPECT_EQ(audio.front(), "PCM");
}

TEST(SystemDeviceEnumTest, MonikersCreateANewCompressorFilterEachTime) {
    std::vector<ComPtr<IMoniker>> monikers;
    walk(CLSID_AudioCompressorCategory, &monikers);
    ASSERT_FALSE(monikers.empty());
    ComPtr<IBaseFilter> first;
    ComPtr<IBaseFilter> second;
    ASSERT_EQ(
        monikers[0]->BindToObject(nullptr, nullptr, IID_IBaseFilter, first.GetVoidAddressOf()),
        S_OK);
    ASSERT_EQ(
        monikers[0]->BindToObject(nullptr, nullptr, IID_IBaseFilter, second.GetVoidAddressOf()),
        S_OK);
    EXPECT_NE(first.Get(), second.Get());
    ComPtr<IFileSinkFilter> notOffered;
    EXPECT_EQ(monikers[0]->BindToObject(nullptr, nullptr, IFileSinkFilter::kIid,
                                        notOffered.GetVoidAddressOf()),
              E_NOINTERFACE);
}

TEST(SystemDeviceEnumTest, OtherCategoriesAreEmpty) {
    RegisterMediaFilters();
    ComPtr<ICreateDevEnum> devices;
    CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, 1, ICreateDevEnum::kIid,
                     devices.GetVoidAddressOf());
    ComPtr<IEnumMoniker> list;
    EXPECT_EQ(devices->CreateClassEnumerator(CLSID_AviDest, list.GetAddressOf(), 0), S_FALSE);
    EXPECT_FALSE(list);
}

} // namespace
} // namespace zentar
