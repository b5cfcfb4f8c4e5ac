// The wizard tests' main: one QApplication on the offscreen platform for all
// of them, then GoogleTest.
#include <QApplication>
#include <gtest/gtest.h>

#include "ui/app_style.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tvn::ui::ApplyAppStyle(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
