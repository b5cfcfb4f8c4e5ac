#include "ui/message_box.h"

#include <QMessageBox>

#include "preview/i18n.h"

namespace tvn::ui {

namespace {
QMessageBox::Icon ToIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Information: return QMessageBox::Information;
        case MsgIcon::Error: return QMessageBox::Critical;
        case MsgIcon::Question: return QMessageBox::Question;
        case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}
}  // namespace

void ShowMessage(QWidget* parent, const QString& text, const QString& caption, MsgIcon icon) {
    // The core's messages arrive in English; fixed ones are shown in the
    // user's language.
    QMessageBox box(ToIcon(icon), TrKnown(caption), TrKnown(text), QMessageBox::Ok, parent);
    box.exec();
}

bool AskYesNo(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Question, TrKnown(caption), TrKnown(text), QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace tvn::ui
