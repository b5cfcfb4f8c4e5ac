// The application-wide look: style and resources.
#pragma once

class QApplication;

namespace tvn::ui {
void ApplyAppStyle(QApplication& app);
}
