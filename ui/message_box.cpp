#include "ui/message_box.h"

#include <QMessageBox>

#include "preview/i18n.h"
#include "preview/message_boxes.h"

namespace tvn::ui {

void ShowMessage(QWidget* parent, const QString& text, const QString& caption, MsgIcon icon) {
    // The core's messages arrive in English; fixed ones are shown in the
    // user's language.
    QMessageBox box(preview::QtIcon(icon), TrKnown(caption), TrKnown(text), QMessageBox::Ok, parent);
    box.exec();
}

bool AskYesNo(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Question, TrKnown(caption), TrKnown(text), QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace tvn::ui
