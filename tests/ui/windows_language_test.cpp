// Every window of the wizard and of the viewers, opened as the user meets
// them: each control has a name assistive technology can read out, with a
// German locale every text they show is German, and made larger or shown in a
// larger font, no control is cut off or lies on another.
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>

#include "preview/audio_player.h"
#include "preview/i18n.h"
#include "preview/image_sheet.h"
#include "preview/media_player.h"
#include "preview/video_view.h"
#include "preview/wnd_image.h"
#include "tests/support/test_support.h"
#include "tests/ui/found_test_support.h"
#include "tests/ui/ui_test_support.h"
#include "tools/media/av_writers.h"
#include "ui/banner.h"
#include "ui/file_selection_dialog.h"
#include "ui/found_data_dlg.h"
#include "ui/main_dialog.h"
#include "ui/processing_dialog.h"
#include "ui/rescue_copy_dlg.h"
#include "ui/save_sheet.h"
#include "ui/startup.h"
#include "ui/wizard_dialog.h"

namespace tvn::ui {
namespace {

// What the windows need: a session with found files, the drive list, a job
// that runs until it is let go, and a movie and a song for the players.
struct Windows {
    test::TempDir dir;
    CSession session;
    CQtReporter reporter;
    CWizardState state;
    std::atomic<bool> release{false};

    Windows() {
        test::AddFound(session, "JPG", 1, 1000);
        test::AddFound(session, "JPG", 2, 2000);
        test::AddFound(session, "MP3", 1, 4000);
        session.jobMode = JobMode::Scan;
        state.foundDataHintShown = true;
        test::WriteFile(dir / "a.AVI", media::MakeMjpegAvi(64, 48, 4, 1));
        test::WriteFile(dir / "a.WAV", media::MakeWav(8000, 1, 8000));
        test::WriteFile(dir / "a.MID", media::MakeMidi(3, 1));
    }

    CProcessingJob WaitingJob() {
        CProcessingJob job;
        job.run = [this] {
            while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return JobOutcome{};
        };
        return job;
    }

    // Opens each window in turn and hands it to look, shown and settled.
    void Each(const std::function<void(QWidget&)>& look) {
        CDriveSources drives;
        drives.discover = test::TwoDrives;
        drives.hotplug = false;
        {
            CKestrelDlg w(session, reporter, state, drives);
            QSignalSpy listed(&w, &CKestrelDlg::DrivesListed);
            w.show();
            ASSERT_TRUE(test::WaitFor([&] { return listed.count() > 0; }));
            look(w);
        }
        {
            CFileSelectionDlg w(session, reporter, state);
            w.show();
            look(w);
        }
        {
            release = false;
            test::BoxAnswerer boxes;
            CProcessingDlg w(session, reporter, WaitingJob(), QStringLiteral("Disk image #card.img"));
            w.show();
            QTest::qWait(50);
            look(w);
            release = true;
            test::WaitFor([&] { return !w.isVisible(); }, 5000);
        }
        {
            // No medium here: the copy ends at once (its end is not waited
            // for); its figures and map are shown by hand.
            test::BoxAnswerer boxes;
            CRescueCopyDlg w(session, dir / "copy.img", QStringLiteral("Disk image #card.img"));
            w.show();
            ImageProgress p;
            p.size = 4u << 20;
            p.rescued = 1u << 20;
            p.badAreas = 1;
            p.badBytes = 4096;
            p.estimate = 754;
            CRescueMap map(p.size);
            map.Mark(0, p.rescued, RescueStatus::Finished);
            map.Mark(p.rescued, p.badBytes, RescueStatus::BadSector);
            w.OnProgress(p, map);
            look(w);
        }
        {
            CDataFoundDlg w(session);
            w.SetWizardState(&state);
            w.show();
            w.ShowFolder(session.tree.FindFolder("JPG"));
            look(w);
        }
        {
            CSavePropertySheet w(session, nullptr, nullptr);
            w.show();
            look(w);
            w.Tabs()->setCurrentIndex(1);
            look(w);
        }
        {
            preview::CImageInfo info;
            info.name = "file# 1.JPG";
            QImage picture(64, 48, QImage::Format_RGB32);
            picture.fill(Qt::darkGreen);
            preview::CImageSheet w(picture, info, std::string(), nullptr);
            w.show();
            look(w);
        }
        {
            test::WriteFile(dir / "b.WAV", media::MakeWav(8000, 1, 8000));
            preview::CMediaPlayer w(dir / "b.WAV", QStringLiteral("b.WAV"));
            w.show();
            look(w);
        }
        {
            test::WriteFile(dir / "b.AVI", media::MakeMjpegAvi(64, 48, 4, 1));
            preview::CAVIPlayer w(dir / "b.AVI", QStringLiteral("b.AVI"));
            w.show();
            look(w);
        }
        {
            test::WriteFile(dir / "b.MID", media::MakeMidi(3, 1));
            test::BoxAnswerer boxes;  // no synthesizer here: its message
            preview::CAudioPlayer w(dir / "b.MID", QStringLiteral("b.MID"));
            w.show();
            look(w);
        }
    }
};

bool IsControl(QAccessible::Role role) {
    switch (role) {
        case QAccessible::PushButton:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::ComboBox:
        case QAccessible::SpinBox:
        case QAccessible::Slider:
        case QAccessible::EditableText:
        case QAccessible::List:
        case QAccessible::Tree:
        case QAccessible::Table:
        case QAccessible::PageTab:
        case QAccessible::ProgressBar:
        case QAccessible::ButtonMenu:
        case QAccessible::ButtonDropDown:
            return true;
        default:
            return false;
    }
}

// The controls without a name under iface, as "role object-name" lines.
void Unnamed(QAccessibleInterface* iface, QStringList& out, int depth = 0) {
    if (iface == nullptr || depth > 12) return;
    const QAccessible::State state = iface->state();
    if (state.invisible) return;
    if (IsControl(iface->role()) && iface->text(QAccessible::Name).trimmed().isEmpty()) {
        QObject* o = iface->object();
        auto* widget = qobject_cast<QWidget*>(o);
        out << QStringLiteral("%1 %2 in %3 [%4]")
                   .arg(static_cast<int>(iface->role()))
                   .arg(o ? o->objectName() + QStringLiteral(" (") + o->metaObject()->className() + QLatin1Char(')')
                          : QStringLiteral("?"))
                   .arg(o && o->parent() ? o->parent()->metaObject()->className() : QString())
                   .arg(widget ? widget->accessibleName() : QString());
    }
    // Rows of item views are their own; the views are what is named.
    if (iface->role() == QAccessible::Tree || iface->role() == QAccessible::Table ||
        iface->role() == QAccessible::List)
        return;
    for (int i = 0; i < iface->childCount(); ++i) Unnamed(iface->child(i), out, depth + 1);
}

TEST(Accessibility, EveryControlOfEveryWindowHasAName) {
    QAccessible::setActive(true);
    Windows windows;
    int looked = 0;
    windows.Each([&](QWidget& w) {
        ++looked;
        QStringList unnamed;
        Unnamed(QAccessible::queryAccessibleInterface(&w), unnamed);
        EXPECT_TRUE(unnamed.isEmpty()) << w.metaObject()->className() << ":\n"
                                       << unnamed.join(QLatin1Char('\n')).toStdString();
    });
    EXPECT_EQ(looked, 11);
}

// The locale of the environment, as the program picks it at start.
struct Language {
    explicit Language(const char* lang) {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* v = std::getenv(name);
            saved.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
            ::unsetenv(name);
        }
        ::setenv("LANG", lang, 1);
    }
    ~Language() {
        RemoveTranslations();
        for (const auto& [name, value] : saved) {
            if (value) ::setenv(name.c_str(), value->c_str(), 1);
            else ::unsetenv(name.c_str());
        }
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

TEST(Translations, AGermanLocaleShowsEveryWindowInGerman) {
    Language german("de_DE.UTF-8");
    ASSERT_TRUE(InstallTranslations(EnvironmentLocale()));
    EXPECT_EQ(Tr("&Next"), QStringLiteral("&Weiter"));
    EXPECT_EQ(Tr("Do you want to save scan info?"), QStringLiteral("Möchten Sie die Scan-Info speichern?"));
    // The core's fixed messages too, and labelled lines label by label.
    EXPECT_EQ(TrKnown(QStringLiteral("Corrupt scan info file")), QStringLiteral("Beschädigte Scan-Info-Datei"));
    EXPECT_EQ(TrKnown(QStringLiteral("file# 3.JPG")), QStringLiteral("file# 3.JPG"));
    EXPECT_EQ(TrLabelled(QStringLiteral("Total Data        : [1.000 MB]\nSerial Number     : N\\A")),
              QStringLiteral("Daten gesamt: [1.000 MB]\nSeriennummer: N\\A"));
    ClearUntranslatedTexts();
    Windows windows;
    QStringList english;
    int captions = 0;
    windows.Each([&](QWidget& w) {
        for (QAbstractButton* b : w.findChildren<QAbstractButton*>())
            if (b->isVisible() && b->text() == QStringLiteral("E&xit")) english << b->text();
        // The banners' words are drawn in German too, and fit their place
        // at no less than three quarters of their size.
        for (const CBanner* banner : w.findChildren<CBanner*>()) {
            for (const CBanner::Caption& caption : banner->Captions()) {
                ++captions;
                if (caption.text == QStringLiteral("What are you looking for?")) english << caption.text;
                EXPECT_GE(CBanner::FittingPixelSize(caption) * 4, caption.pixelSize * 3)
                    << caption.text.toStdString();
            }
        }
    });
    EXPECT_EQ(captions, 3);
    // The home folder's label is the program's text; a volume's is the user's.
    std::vector<CDestination> places(2);
    places[0].m_strPath = "/home/ann";
    places[0].m_strLabel = kHomeFolderLabel;
    places[0].m_strText = "/home/ann [Home folder]";
    places[1].m_strPath = "/media/ann/Home folder";
    places[1].m_strLabel = "CARD";
    places[1].m_strText = "/media/ann/Home folder [CARD]";
    CPlaceCombo combo(places, {}, nullptr);
    EXPECT_EQ(combo.itemText(0), QStringLiteral("/home/ann [Persönlicher Ordner]"));
    EXPECT_EQ(combo.itemText(1), QStringLiteral("/media/ann/Home folder [CARD]"));
    EXPECT_TRUE(english.isEmpty());
    EXPECT_TRUE(UntranslatedTexts().isEmpty()) << UntranslatedTexts().join(QLatin1Char('\n')).toStdString();
}

TEST(Translations, FrenchAndSpanishAreCompleteAndEnglishNeedsNone) {
    for (const char* lang : {"fr_FR.UTF-8", "es_ES.UTF-8"}) {
        SCOPED_TRACE(lang);
        Language chosen(lang);
        ASSERT_TRUE(InstallTranslations(EnvironmentLocale()));
        ClearUntranslatedTexts();
        Windows windows;
        windows.Each([](QWidget&) {});
        EXPECT_TRUE(UntranslatedTexts().isEmpty()) << UntranslatedTexts().join(QLatin1Char('\n')).toStdString();
    }
    Language english("en_GB.UTF-8");
    EXPECT_FALSE(InstallTranslations(EnvironmentLocale()));
    EXPECT_EQ(Tr("&Next"), QStringLiteral("&Next"));
    const QString lined = QStringLiteral("Total Data        : [1.000 MB]");
    EXPECT_EQ(TrLabelled(lined), lined) << "English keeps its spacing";
    Language plain("C");
    EXPECT_FALSE(InstallTranslations(EnvironmentLocale()));
}

// Controls that lay out their own parts (a list's scroll bars, a combo's
// button): only the control itself is looked at, not what is inside it.
bool LaysOutItsOwnParts(const QWidget* w) {
    return qobject_cast<const QAbstractScrollArea*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QTabBar*>(w) ||
           qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QProgressBar*>(w);
}

QString Named(const QWidget* w) {
    return QStringLiteral("%1 %2 %3x%4%5")
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName())
        .arg(w->width())
        .arg(w->height())
        .arg(qobject_cast<const QLabel*>(w) ? QStringLiteral(" \"") + static_cast<const QLabel*>(w)->text() +
                                                    QLatin1Char('"')
                                              : (qobject_cast<const QAbstractButton*>(w)
                                                     ? QStringLiteral(" \"") +
                                                           static_cast<const QAbstractButton*>(w)->text() +
                                                           QLatin1Char('"')
                                                     : QString()));
}

// Controls under parent that stick out of it, are smaller than their text
// needs, or lie on a sibling.
void Misplaced(const QWidget* parent, QStringList& out) {
    if (LaysOutItsOwnParts(parent)) return;
    QList<const QWidget*> shown;
    for (const QObject* o : parent->children()) {
        const auto* w = qobject_cast<const QWidget*>(o);
        if (w == nullptr || w->isWindow() || !w->isVisibleTo(parent)) continue;
        shown << w;
        if (!parent->rect().contains(w->geometry()))
            out << Named(w) + QStringLiteral(" sticks out of ") + Named(parent);
        const QSize least = w->minimumSizeHint();
        const auto* label = qobject_cast<const QLabel*>(w);
        const bool sized = label != nullptr || qobject_cast<const QAbstractButton*>(w) ||
                           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w);
        // A value that may run longer than any window shows what fits.
        const bool mayRunLong = w->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored;
        if (sized && least.isValid()) {
            if (label != nullptr && label->wordWrap()) {
                if (w->height() < label->heightForWidth(w->width()))
                    out << Named(w) + QStringLiteral(" is cut off below");
            } else {
                if (!mayRunLong && w->width() < least.width())
                    out << Named(w) + QStringLiteral(" is too narrow for ") + QString::number(least.width());
                if (w->height() < least.height())
                    out << Named(w) + QStringLiteral(" is too low for ") + QString::number(least.height());
            }
        }
        Misplaced(w, out);
    }
    // A tab bar lies on its pages' frame by design.
    if (qobject_cast<const QTabWidget*>(parent)) return;
    for (int i = 0; i < shown.size(); ++i)
        for (int j = i + 1; j < shown.size(); ++j)
            if (shown[i]->geometry().intersects(shown[j]->geometry()))
                out << Named(shown[i]) + QStringLiteral(" lies on ") + Named(shown[j]);
}

QStringList MisplacedIn(QWidget& window) {
    test::Spin(30);  // the layouts settle
    QStringList out;
    Misplaced(&window, out);
    return out;
}

// The window's main view: the largest list, tree, picture or film in it.
QWidget* MainView(QWidget& window) {
    QWidget* best = nullptr;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        if (!qobject_cast<QAbstractItemView*>(w) && !qobject_cast<preview::CVideoView*>(w) &&
            !qobject_cast<preview::CWndImage*>(w))
            continue;
        if (best == nullptr || w->width() * w->height() > best->width() * best->height()) best = w;
    }
    return best;
}

TEST(Layout, EveryWindowOpensAtItsSizeAndGrowsWithItsMainView) {
    Windows windows;
    int views = 0;
    windows.Each([&](QWidget& w) {
        SCOPED_TRACE(w.metaObject()->className());
        EXPECT_TRUE(MisplacedIn(w).isEmpty()) << MisplacedIn(w).join(QLatin1Char('\n')).toStdString();
        if (qobject_cast<CWizardDialog*>(&w)) {
            EXPECT_EQ(w.size(), QSize(CWizardDialog::kWidth, CWizardDialog::kHeight))
                << "the steps open at the size they were drawn for";
        }
        QWidget* view = MainView(w);
        const QSize before = view ? view->size() : QSize();
        const QSize window = w.size();
        w.resize(window + QSize(300, 200));
        EXPECT_EQ(w.size(), window + QSize(300, 200)) << "the window can be made larger";
        const QStringList larger = MisplacedIn(w);
        EXPECT_TRUE(larger.isEmpty()) << larger.join(QLatin1Char('\n')).toStdString();
        if (view != nullptr) {
            ++views;
            EXPECT_GE(view->width(), before.width() + 150) << view->objectName().toStdString();
            EXPECT_GE(view->height(), before.height() + 100) << view->objectName().toStdString();
        }
    });
    // The drives, the found files, the picture and the film.
    EXPECT_GE(views, 4);
}

TEST(Layout, TheLongerGermanTextsCutNothingOff) {
    Language german("de_DE.UTF-8");
    ASSERT_TRUE(InstallTranslations(EnvironmentLocale()));
    Windows windows;
    windows.Each([&](QWidget& w) {
        SCOPED_TRACE(w.metaObject()->className());
        const QStringList faults = MisplacedIn(w);
        EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
    });
}

TEST(Layout, ALargerDesktopFontCutsNothingOff) {
    const QFont normal = QApplication::font();
    QFont large = normal;
    large.setPointSizeF(std::max<qreal>(normal.pointSizeF(), 9) * 1.6);
    QApplication::setFont(large);
    {
        Windows windows;
        windows.Each([&](QWidget& w) {
            SCOPED_TRACE(w.metaObject()->className());
            const QStringList faults = MisplacedIn(w);
            EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
        });
    }
    QApplication::setFont(normal);
}

}  // namespace
}  // namespace tvn::ui
