// Slow work the GUI thread must not do itself (opening a medium, loading a
// scan info file): it runs on a worker while the window stays responsive.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tvn::ui {

// Runs work on a thread of its own and serves the window's events until it
// has ended; busy (when given) is disabled meanwhile and shows the wait
// cursor. Returns false, with the reason in why, when the work threw or no
// thread could be started.
bool RunOffGuiThread(QWidget* busy, const std::function<void()>& work, QString* why = nullptr);

}  // namespace tvn::ui
