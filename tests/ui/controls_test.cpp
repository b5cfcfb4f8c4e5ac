// The wizard's own controls: the three-picture help button, the transparent
// static text and the found_data list; and what F1 does where no browser
// takes the help.
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/help.h"
#include "ui/hover_button.h"
#include "ui/list_ctrl.h"
#include "ui/txtnd_static.h"

namespace tvn::ui {
namespace {

QPixmap Strip() {
    QPixmap strip(120, 40);
    QPainter p(&strip);
    p.fillRect(0, 0, 40, 40, Qt::red);
    p.fillRect(40, 0, 40, 40, Qt::green);
    p.fillRect(80, 0, 40, 40, Qt::blue);
    return strip;
}

QColor Centre(QWidget& w) { return w.grab().toImage().pixelColor(w.width() / 2, w.height() / 2); }

TEST(HoverButton, OneThirdOfTheStripWideAndItsPictureFollowsTheMouse) {
    QWidget parent;
    parent.resize(200, 100);
    CHoverButton button(&parent);
    button.move(20, 30);
    button.SetBitmap(Strip());
    EXPECT_EQ(button.size(), QSize(40, 40));
    EXPECT_EQ(button.pos(), QPoint(20, 30)) << "sizing must not move the button";
    parent.show();

    EXPECT_EQ(button.CurrentImage(), 0);
    EXPECT_EQ(Centre(button), QColor(Qt::red));
    QEnterEvent enter(QPointF(5, 5), QPointF(25, 35), QPointF(25, 35));
    QApplication::sendEvent(&button, &enter);
    EXPECT_EQ(button.CurrentImage(), 1);
    EXPECT_EQ(Centre(button), QColor(Qt::green));
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(button.CurrentImage(), 2);
    EXPECT_EQ(Centre(button), QColor(Qt::blue));

    // Out of the button with the mouse button still held: the normal picture.
    QMouseEvent move(QEvent::MouseMove, QPointF(100, 100), QPointF(120, 130), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &move);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_EQ(button.CurrentImage(), 0);
    EXPECT_EQ(Centre(button), QColor(Qt::red));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(100, 100));
}

TEST(HoverButton, TheHelpStripOfTheResourcesGivesAFortyPixelButton) {
    CHoverButton button;
    ASSERT_TRUE(button.LoadBitmap(QStringLiteral(":/art/help_strip.svg")));
    EXPECT_EQ(button.size(), QSize(40, 40));
    EXPECT_FALSE(button.LoadBitmap(QStringLiteral(":/art/no_such_picture.svg")));
    EXPECT_EQ(button.size(), QSize(40, 40));
    button.SetToolTipText(QStringLiteral("Help"));
    button.SetToolTipText(QString());  // an empty text changes nothing
    EXPECT_EQ(button.accessibleName(), QStringLiteral("Help"));
}

TEST(TXtndStatic, AShorterTextLeavesNothingOfTheLongerOne) {
    QWidget parent;
    parent.resize(300, 40);
    parent.setAutoFillBackground(true);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, Qt::white);
    parent.setPalette(pal);
    CTXtndStatic text(&parent);
    text.setGeometry(0, 0, 300, 40);
    text.SetTextColor(Qt::black);
    text.SetText(QStringLiteral("A long line of text that fills the control"));
    parent.show();
    QImage before = parent.grab().toImage();
    text.SetText(QStringLiteral("Hi"));
    QImage after = parent.grab().toImage();
    // Right of the short text, everything is background again.
    bool inkBefore = false, inkAfter = false;
    for (int x = 100; x < 300; ++x)
        for (int y = 0; y < 30; ++y) {
            inkBefore |= before.pixelColor(x, y) != QColor(Qt::white);
            inkAfter |= after.pixelColor(x, y) != QColor(Qt::white);
        }
    EXPECT_TRUE(inkBefore);
    EXPECT_FALSE(inkAfter);
    EXPECT_EQ(text.text(), QStringLiteral("Hi"));
}

TEST(TXtndStatic, LinksOpenTheirTargetOrNotifyTheDialog) {
    CTXtndStatic link(QStringLiteral("help@example.org"));
    link.SetMailLink(true);
    EXPECT_EQ(link.LinkUrl(), QStringLiteral("mailto:help@example.org"));
    link.SetLink(true);
    EXPECT_EQ(link.LinkUrl(), QStringLiteral("help@example.org")) << "no target: the text itself";
    link.SetLinkTarget(QStringLiteral("https://example.org/help"));
    EXPECT_EQ(link.LinkUrl(), QStringLiteral("https://example.org/help"));
    link.SetLink(false);
    EXPECT_EQ(link.Link(), CTXtndStatic::LinkMode::None);

    // With notify set a click is the dialog's business, not the desktop's.
    link.SetLink(true, true);
    QSignalSpy notified(&link, &CTXtndStatic::Notified);
    QSignalSpy opened(&link, &CTXtndStatic::LinkOpened);
    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_EQ(notified.count(), 1);
    EXPECT_EQ(opened.count(), 0);

    // Line breaks of either kind, colours and weight at run time.
    link.SetText(QStringLiteral("one\r\ntwo"));
    EXPECT_EQ(link.text(), QStringLiteral("one\ntwo"));
    link.SetTextColor(QColor(45, 45, 255));
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(45, 45, 255));
    link.SetBold(true);
    EXPECT_EQ(link.font().weight(), QFont::Bold);
    link.SetBold(false);
    EXPECT_EQ(link.font().weight(), QFont::Normal);
}

TEST(TXListCtrl, EmptyTextOnlyWhileTheListIsEmptyAndRowsStriped) {
    CTXListCtrl list;
    list.resize(300, 200);
    QStandardItemModel model(0, 2);
    model.setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size")});
    list.setModel(&model);
    list.SetEmptyText(QStringLiteral("No item to display in this view."));
    list.show();
    EXPECT_TRUE(list.ShowsEmptyText());
    const QImage empty = list.viewport()->grab().toImage();
    model.appendRow({new QStandardItem(QStringLiteral("file# 1.JPG")), new QStandardItem(QStringLiteral("2 KB"))});
    model.appendRow({new QStandardItem(QStringLiteral("file# 2.JPG")), new QStandardItem(QStringLiteral("3 KB"))});
    EXPECT_FALSE(list.ShowsEmptyText());
    list.clearSelection();
    list.setCurrentIndex(QModelIndex());
    const QImage filled = list.viewport()->grab().toImage();
    // Row 0 lavender, row 1 white, at their right end where no text is.
    const int x = list.viewport()->width() - 5;
    EXPECT_EQ(filled.pixelColor(x, list.visualRect(model.index(0, 1)).center().y()), QColor(232, 232, 244));
    EXPECT_EQ(filled.pixelColor(x, list.visualRect(model.index(1, 1)).center().y()), QColor(Qt::white));
    // The empty text sat in the middle; with rows, nothing is drawn there.
    const QPoint mid(list.viewport()->width() / 2, list.viewport()->height() - 20);
    EXPECT_EQ(filled.pixelColor(mid), list.palette().color(QPalette::Base));
    bool ink = false;
    for (int dx = -60; dx <= 60; ++dx)
        ink |= empty.pixelColor(list.viewport()->width() / 2 + dx, list.viewport()->height() / 2) !=
               list.palette().color(QPalette::Base);
    EXPECT_TRUE(ink) << "the empty text is drawn across the middle";
}

TEST(HelpPages, WithoutABrowserAMessageSaysWhereThePagesAre) {
    // The offscreen platform opens no documents, as a desktop without a
    // browser for local pages would.
    test::TempDir dir;
    test::WriteFile(dir / "tvnwelcome.htm", std::vector<uint8_t>{0x3c, 0x70, 0x3e});
    qputenv("TVN_HELP_DIR", QByteArray::fromStdString(dir.Path()));
    EXPECT_EQ(HelpDir(), QString::fromStdString(dir.Path()));
    EXPECT_FALSE(OpenHelpTopic(QStringLiteral("tvnnosuchpage.htm")));
    test::BoxAnswerer boxes;
    ShowHelp(nullptr, QStringLiteral("tvnnosuchpage.htm"));
    qunsetenv("TVN_HELP_DIR");
    ASSERT_EQ(boxes.seen.size(), 1u) << boxes.Texts().toStdString();
    EXPECT_EQ(boxes.seen[0].caption, QStringLiteral("Information"));
    EXPECT_EQ(boxes.seen[0].text.toStdString(),
              "The help could not be opened: no web browser is set up to show it.\n"
              "The help pages are in " + dir.Path() + "; open index.htm there in a web browser.");
}

}  // namespace
}  // namespace tvn::ui
