// The wizard tests' main: one QApplication on the offscreen platform for all
// of them, then GoogleTest.
#include <QApplication>
#include <gtest/gtest.h>

#include "preview/i18n.h"
#include "ui/app_style.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tvn::ui::ApplyAppStyle(app);
    // The screenshots are taken in the language of the environment, as the
    // program shows itself; every other test reads the English texts.
    if (qEnvironmentVariableIsSet("TVN_SCREENSHOTS")) tvn::InstallTranslations(tvn::EnvironmentLocale());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
