// CompressorList over the platform's device enumerator: the two categories, names by index
// with their range checks, exact first-match lookup, and creation of the filter by name.
#include "engine/CompressorList.h"
#include "platform/media/CompressorCatalog.h"
#include "platform/streaming/MediaGuids.h"
#include "platform/streaming/StreamingInterfaces.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zentar {
namespace {

TEST(CompressorListTest, ListsEveryInstalledCompressorInEnumerationOrder) {
    for (const auto& [category, kind] :
         {std::pair{CLSID_VideoCompressorCategory, StreamKind::Video},
          std::pair{CLSID_AudioCompressorCategory, StreamKind::Audio}}) {
        CompressorList list;
        EXPECT_EQ(list.build(category), S_OK);
        const auto& installed = CompressorCatalog::list(kind);
        ASSERT_EQ(list.count(), static_cast<int>(installed.size()));
        for (int i = 0; i < list.count(); ++i) {
            std::string name = "stale";
            EXPECT_EQ(list.name_at(i, name), S_OK);
            EXPECT_EQ(name, installed[static_cast<size_t>(i)].friendlyName);
            EXPECT_EQ(list.index_of(name), i);
        }
        EXPECT_EQ(list.names().size(), installed.size());
        // Building again starts from an empty list.
        EXPECT_EQ(list.build(category), S_OK);
        EXPECT_EQ(list.count(), static_cast<int>(installed.size()));
    }
}

TEST(CompressorListTest, NamesOutOfRangeUnknownNamesAndEmptyCategoriesAreRefused) {
    CompressorList list;
    list.build(CLSID_VideoCompressorCategory);
    ASSERT_GT(list.count(), 0);
    std::string name = "stale";
    EXPECT_EQ(list.name_at(-1, name), E_INVALIDARG);
    EXPECT_EQ(name, "");
    name = "stale";
    EXPECT_EQ(list.name_at(list.count(), name), E_INVALIDARG);
    EXPECT_EQ(name, "");

    EXPECT_EQ(list.index_of("Microsoft Video 1"), 0);
    EXPECT_EQ(list.index_of("microsoft video 1"), -1); // byte for byte, case-sensitive
    EXPECT_EQ(list.index_of("Microsoft Video 1 "), -1);
    EXPECT_EQ(list.index_of(""), -1);

    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(list.create("No Such Codec", filter), E_FAIL);
    EXPECT_FALSE(filter);
    EXPECT_EQ(list.create("Microsoft Video 1", filter), S_OK);
    ASSERT_TRUE(filter);
    CLSID clsid = GUID_NULL;
    EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
    // Every create makes a new object.
    ComPtr<IBaseFilter> second;
    EXPECT_EQ(list.create("Microsoft Video 1", second), S_OK);
    EXPECT_NE(second.Get(), filter.Get());

    // An empty category leaves the list empty.
    EXPECT_EQ(list.build(CLSID_AviDest), S_FALSE);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.index_of("Microsoft Video 1"), -1);
    EXPECT_EQ(list.name_at(0, name), E_INVALIDARG);
    EXPECT_EQ(list.create("Microsoft Video 1", filter), E_FAIL);
}

} // namespace
} // namespace zentar
