#include "WarningBox.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

TEST(WarningBoxTest, InstalledHandlerReceivesTitleAndText) {
    std::string seen;
    const WarningBoxHandler previous =
        setWarningBoxHandler([&seen](const std::string& title, const std::string& text) { seen = title + "|" + text; });
    testing::internal::CaptureStderr();
    showWarningBox("GradientRect", "Overflow");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(seen, "GradientRect|Overflow");
    setWarningBoxHandler(previous);
}

TEST(WarningBoxTest, WithoutAWorkingHandlerTheWarningGoesToStandardError) {
    const WarningBoxHandler previous = setWarningBoxHandler({});
    testing::internal::CaptureStderr();
    showWarningBox("Quillet", "Out of memory");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Quillet: Out of memory\n");

    setWarningBoxHandler([](const std::string&, const std::string&) { throw std::runtime_error("no display"); });
    testing::internal::CaptureStderr();
    showWarningBox("GradientRect", "Overflow");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "GradientRect: Overflow\n");
    setWarningBoxHandler(previous);
}

} // namespace
