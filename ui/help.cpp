#include "ui/help.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

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

}  // namespace tvn::ui
