// The wizard's diagnostic console: nowhere by default (a desktop launch
// would put it in the user's journal), to the --log file when asked.
#include <gtest/gtest.h>

#include <QWidget>

#include <cstdio>
#include <string>

#include "tests/support/test_support.h"
#include "ui/qt_reporter.h"

namespace tvn::ui {
namespace {

TEST(WizardConsole, TheTraceGoesNowhereUnlessAskedFor) {
    CQtReporter reporter;
    ASSERT_EQ(CQtReporter::ConsoleSink(), nullptr);
    ::testing::internal::CaptureStdout();
    reporter.Console("\t\tRecovered :file# 1.JPG\n");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");

    test::TempDir dir;
    const std::string path = dir / "trace.log";
    std::FILE* log = std::fopen(path.c_str(), "a");
    ASSERT_NE(log, nullptr);
    CQtReporter::SetConsoleSink(log);
    reporter.Console("\t\tRecovered :file# 2.JPG\n");
    CQtReporter::SetConsoleSink(nullptr);
    std::fclose(log);
    const std::vector<uint8_t> bytes = test::ReadFile(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "\t\tRecovered :file# 2.JPG\n");
}

}  // namespace
}  // namespace tvn::ui
