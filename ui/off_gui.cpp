#include "ui/off_gui.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QWidget>
#include <exception>
#include <thread>

#include "ui/handover.h"

namespace tvn::ui {

bool RunOffGuiThread(QWidget* busy, const std::function<void()>& work, QString* why) {
    QEventLoop loop;
    std::exception_ptr error;
    const bool wasEnabled = busy != nullptr && busy->isEnabled();
    if (busy != nullptr) {
        busy->setEnabled(false);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                work();
            } catch (...) {
                error = std::current_exception();
            }
            PostTo(&loop, [&loop] { loop.quit(); });
        });
        loop.exec();
        worker.join();
    } catch (...) {
        error = std::current_exception();
    }
    if (busy != nullptr) {
        QGuiApplication::restoreOverrideCursor();
        busy->setEnabled(wasEnabled);
    }
    if (!error) return true;
    if (why != nullptr) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            *why = QString::fromUtf8(e.what());
        } catch (...) {
            *why = QStringLiteral("unknown error");
        }
    }
    return false;
}

}  // namespace tvn::ui
