// The report object: what a batch's child writes must read back unchanged, whatever bytes
// its file names hold, and text that is not such an object must be refused.
#include "cli/RunReport.h"

#include <gtest/gtest.h>

namespace zentar {
namespace {

TEST(RunReportTest, RoundTripsAnyFileNameAndRefusesOtherText) {
    for (const std::string& name :
         {std::string("plain.avi"), std::string("q\"uote\\back.avi"),
          std::string("line\nbreak\ttab\x01.avi"), std::string("caf\xc3\xa9 \xff.avi")}) {
        RunReport report{name, {name + "1", "b"}, 3, 1234, 5.5, "failed", "why: " + name};
        const std::optional<RunReport> back = RunReport::FromJson(report.ToJson());
        ASSERT_TRUE(back) << report.ToJson();
        EXPECT_EQ(back->input, name);
        EXPECT_EQ(back->ToJson(), report.ToJson()); // every field read back as written
        EXPECT_EQ(report.ToJson().find('\n'), std::string::npos); // one JSON line
    }
    for (const char* bad : {"", "{", "{\"input\":1}", "{\"input\":\"a\"", "{\"a\":\"b\"} x",
                            "{\"outputs\":[\"a\",]}", "{\"frames\":-}"})
        EXPECT_FALSE(RunReport::FromJson(bad)) << bad;
    EXPECT_TRUE(RunReport::FromJson(" { \"later\" : \"key\" , \"frames\" : 2 } "));
}

} // namespace
} // namespace zentar
