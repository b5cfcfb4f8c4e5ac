#include "preview/message_boxes.h"

#include "preview/i18n.h"

namespace tvn::preview {

QMessageBox::Icon QtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Information: return QMessageBox::Information;
        case MsgIcon::Error: return QMessageBox::Critical;
        case MsgIcon::Question: return QMessageBox::Question;
        case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

void CBoxReporter::Message(std::string_view text, std::string_view caption, MsgIcon icon) {
    const auto q = [](std::string_view s) {
        return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    };
    QMessageBox box(QtIcon(icon), TrKnown(q(caption)), TrKnown(q(text)), QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("tvnMessage"));
    box.exec();
}

}  // namespace tvn::preview
