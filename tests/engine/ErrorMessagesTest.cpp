#include "engine/ErrorMessages.h"

#include "engine/CMyException.h"
#include "engine/ProjectFileException.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <limits>
#include <stdexcept>

namespace zentar {
namespace {

template <class E> std::exception_ptr thrown(E e) {
    return std::make_exception_ptr(e);
}

TEST(ErrorMessagesTest, ConversionCodesMapToTheirMessages) {
    const std::pair<int32_t, const char*> cases[] = {
        {1, "Cannot initialize DirectShow base system."},
        {5, "Cannot open output file."},
        {7, "Cannot open input file."},
        {9, "Windows Media error."},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(MessageForException(thrown(CMyException(code))), text) << code;
    // Every other code, in the gaps and beyond both ends, gets the general message.
    for (const int32_t code : {0, 2, 3, 4, 6, 8, 10, -1, std::numeric_limits<int32_t>::min()})
        EXPECT_EQ(MessageForException(thrown(CMyException(code))), "Cannot make conversion.")
            << code;
}

TEST(ErrorMessagesTest, ProjectFileFailureHasItsOwnMessageAndForeignOnesNone) {
    const ProjectFileException failure("/no/such/cuts.flp", ENOENT);
    EXPECT_EQ(MessageForException(thrown(failure)), "Cannot write Frameloom project file");
    EXPECT_EQ(MessageIdForException(thrown(failure)), 61262u);
    EXPECT_NE(std::string(failure.what()).find("/no/such/cuts.flp"), std::string::npos);
    EXPECT_EQ(MessageForException(thrown(std::runtime_error("other"))), std::nullopt);
    EXPECT_EQ(MessageForException(std::make_exception_ptr(42)), std::nullopt);
    EXPECT_EQ(MessageForException(nullptr), std::nullopt);
}

} // namespace
} // namespace zentar
