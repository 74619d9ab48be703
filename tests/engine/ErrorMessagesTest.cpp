// Which message each conversion code gives is what the window (tests/app/ConverterAppTest)
// and the command line (tests/e2e) show; here, the project file's own message and
// exceptions that have none.
#include "engine/ErrorMessages.h"

#include "engine/ProjectFileException.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>

namespace zentar {
namespace {

template <class E> std::exception_ptr thrown(E e) {
    return std::make_exception_ptr(e);
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
