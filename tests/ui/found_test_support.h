// What the found-data and save-options tests share: a catalogue built in the
// test, and an answerer that deals with the modal boxes, file dialogs, menus
// and sheets the window opens, the way a person would.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/session.h"

namespace tvn::test {

// Adds a file of the given size to the type folder (made when missing) and
// returns it; numbers give the names ("file# 3.JPG") and start sectors.
inline CFileNode* AddFound(CSession& session, const std::string& type, unsigned number,
                           ULONGLONG size, ULONGLONG startSector = 0) {
    CFolderNode* folder = session.tree.FindFolder(type);
    if (folder == nullptr) folder = session.tree.InsertFolder(type);
    const ULONGLONG start = startSector != 0 ? startSector : number * 100ULL;
    return folder->InsertFile("file# " + std::to_string(number) + ".", start, start + size / 512, size);
}

// Answers whatever modal window comes up, in order: each step sees the
// window and acts on it. Message boxes without a step are answered with
// their default (escape) button and recorded, so a test never hangs.
class ModalAnswerer {
public:
    struct Box {
        QString text, caption;
    };
    using Step = std::function<void(QWidget*)>;

    ModalAnswerer() {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start();
    }

    // The next modal window is a message box: answer it with button.
    void Answer(QMessageBox::StandardButton button) {
        m_steps.push_back([this, button](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr) << "expected a message box";
            Record(box);
            box->done(button);
        });
    }
    // The next modal window is a file dialog: choose path (empty: cancel).
    void ChooseFile(const QString& path) {
        m_steps.push_back([path](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dialog, nullptr) << "expected a file dialog";
            if (path.isEmpty()) {
                dialog->reject();
                return;
            }
            // Typed into the name box, as a person would (selectFile leaves a
            // box that has the focus alone).
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(path);
            static_cast<QDialog*>(dialog)->accept();
        });
    }
    // The next popup menu: records its entries, then triggers the one whose
    // text is entry (empty: closes it).
    void PickMenu(const QString& entry) {
        m_steps.push_back([this, entry](QWidget* w) {
            auto* menu = qobject_cast<QMenu*>(w);
            ASSERT_NE(menu, nullptr) << "expected a menu";
            menuEntries.clear();
            QAction* pick = nullptr;
            for (QAction* action : menu->actions()) {
                menuEntries.push_back(action->text());
                if (action->text() == entry) pick = action;
            }
            if (pick != nullptr) {
                menu->setActiveAction(pick);
                QTest::keyClick(menu, Qt::Key_Return);
            } else {
                menu->close();
            }
        });
    }
    // Any other window: the step acts on it.
    void Then(Step step) { m_steps.push_back(std::move(step)); }

    bool Done() const { return m_steps.empty(); }

    std::vector<Box> boxes;
    QStringList menuEntries;
    QStringList unexpected;  // windows that came up without a step

private:
    void Record(QMessageBox* box) { boxes.push_back({box->text(), box->windowTitle()}); }

    void Poll() {
        QWidget* w = QApplication::activePopupWidget();
        if (w == nullptr) w = QApplication::activeModalWidget();
        if (w == nullptr || w == m_last) return;
        if (!w->isVisible()) return;
        m_last = w;
        if (!m_steps.empty()) {
            Step step = std::move(m_steps.front());
            m_steps.pop_front();
            // Let the window finish opening before it is answered.
            QTimer::singleShot(0, w, [this, step, w] {
                step(w);
                m_last = nullptr;
            });
            return;
        }
        // Nothing scripted: message boxes get their escape (or only) button,
        // anything else is closed, so that a test fails instead of hanging.
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            Record(box);
            QTimer::singleShot(0, box, [this, box] {
                box->done(box->escapeButton() ? QMessageBox::Cancel : QMessageBox::Ok);
                m_last = nullptr;
            });
        } else if (auto* dialog = qobject_cast<QDialog*>(w)) {
            unexpected.push_back(dialog->metaObject()->className());
            QTimer::singleShot(0, dialog, [this, dialog] {
                dialog->reject();
                m_last = nullptr;
            });
        } else if (auto* menu = qobject_cast<QMenu*>(w)) {
            unexpected.push_back(QStringLiteral("QMenu"));
            QTimer::singleShot(0, menu, [this, menu] {
                menu->close();
                m_last = nullptr;
            });
        }
    }

    QTimer m_timer;
    std::deque<Step> m_steps;
    QWidget* m_last = nullptr;
};

}  // namespace tvn::test
