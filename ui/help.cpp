#include "ui/help.h"

#include "preview/i18n.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "ui/message_box.h"

namespace tvn::ui {

QString HelpDir() {
    const QString env = qEnvironmentVariable("TVN_HELP_DIR");
    if (!env.isEmpty()) return env;
    const QString installed = QDir(QCoreApplication::applicationDirPath())
                                  .filePath(QStringLiteral("../share/doc/tarvolin/help"));
    if (QFileInfo::exists(installed + QStringLiteral("/index.htm")) ||
        QFileInfo::exists(installed + QStringLiteral("/tvnwelcome.htm")))
        return QDir::cleanPath(installed);
    return QStringLiteral(TVN_SOURCE_DIR "/res/help");
}

bool OpenHelpTopic(const QString& topic) {
    const QString path = QDir(HelpDir()).filePath(topic);
    if (!QFileInfo::exists(path)) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString HelpNotOpenedText() {
    return Tr("The help could not be opened: no web browser is set up to show it.\n"
              "The help pages are in %1; open index.htm there in a web browser.")
        .arg(QDir::toNativeSeparators(HelpDir()));
}

void ShowHelp(QWidget* parent, const QString& topic) {
    if (OpenHelpTopic(topic) || OpenHelpTopic(QStringLiteral("tvnwelcome.htm"))) return;
    ShowMessage(parent, HelpNotOpenedText(), Tr("Information"), MsgIcon::Information);
}

}  // namespace tvn::ui
