#include <QApplication>
#include <QStyle>
#include <gtest/gtest.h>

TEST(AppStyle, FusionUnderOffscreen) {
    EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    EXPECT_EQ(QApplication::platformName(), QStringLiteral("offscreen"));
}
