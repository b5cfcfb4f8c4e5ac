// The wizard's message boxes: text, caption ("Error", "Information",
// "Confirm") and icon, modal over the window that asks.
#pragma once

#include <QString>

#include "app/report.h"

class QWidget;

namespace tvn::ui {

void ShowMessage(QWidget* parent, const QString& text, const QString& caption, MsgIcon icon);
// A Yes/No question with the question icon; true for Yes.
bool AskYesNo(QWidget* parent, const QString& text, const QString& caption);

}  // namespace tvn::ui
