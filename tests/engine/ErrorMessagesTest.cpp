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
        {0, "Cannot make conversion."},
        {2, "Cannot make conversion."},
        {3, "Cannot make conversion."},
        {4, "Cannot make conversion."},
        {6, "Cannot make conversion."},
        {8, "Cannot make conversion."},
        {10, "Cannot make conversion."},
        {-1, "Cannot make conversion."},
        {std::numeric_limits<int32_t>::min(), "Cannot make conversion."},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(MessageForException(thrown(CMyException(code))), text) << code;
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
