#include "ui/startup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "catalog/scan_info.h"
#include "disk/drives.h"
#include "disk/on_source.h"
#include "preview/i18n.h"
#include "ui/app_style.h"
#include "ui/message_box.h"
#include "ui/qt_reporter.h"
#include "ui/wizard_controller.h"

namespace tvn::ui {

namespace {
const QString kProduct = QStringLiteral("Orvane Tarvolin");

QString ReadLine(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(f.readLine()).trimmed();
}
}  // namespace

QString CInstanceLock::DefaultDir() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
    return QDir::tempPath();
}

CInstanceLock::CInstanceLock(const QString& dir)
    : m_path(QDir(dir.isEmpty() ? DefaultDir() : dir).filePath(QStringLiteral("tarvolin.lock"))),
      m_lock(m_path) {
    // Held for as long as the program runs, however long that is.
    m_lock.setStaleLockTime(0);
}

CInstanceLock::Result CInstanceLock::Acquire() {
    if (m_lock.tryLock(0)) return Result::Acquired;
    return m_lock.error() == QLockFile::LockFailedError ? Result::AlreadyRunning : Result::Failed;
}

QString CInstanceListener::SocketPath(const QString& dir) {
    return QDir(dir.isEmpty() ? CInstanceLock::DefaultDir() : dir).filePath(QStringLiteral("tarvolin.socket"));
}

CInstanceListener::CInstanceListener(const QString& dir, std::function<void()> raise) : m_raise(std::move(raise)) {
    const QString path = SocketPath(dir);
    // The lock is held, so a socket left there belongs to an instance that
    // is gone.
    QLocalServer::removeServer(path);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(path)) return;
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = m_server.nextPendingConnection()) {
            connect(peer, &QLocalSocket::readyRead, peer, [this, peer] {
                if (peer->readAll().startsWith("raise") && m_raise) m_raise();
                peer->write("ok\n");
                peer->flush();
                peer->disconnectFromServer();
            });
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        }
    });
}

bool AskRunningInstanceToRaise(const QString& dir, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(CInstanceListener::SocketPath(dir));
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write("raise\n");
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    return socket.waitForReadyRead(timeoutMs) && socket.readAll().startsWith("ok");
}

void RaiseWizardWindow() {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr) {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && top->isWindow()) window = top;
    }
    if (window == nullptr) return;
    if (window->isMinimized()) window->showNormal();
    window->raise();
    window->activateWindow();
}

bool IsOnRemovableDisk(dev_t dev, const QString& sysRoot) {
    const QString link = QStringLiteral("%1/dev/block/%2:%3").arg(sysRoot).arg(major(dev)).arg(minor(dev));
    QFileInfo info(link);
    if (!info.exists()) return false;  // not a block device (tmpfs, network, overlay)
    QString device = info.canonicalFilePath();
    // A partition's disk is the folder above it.
    if (QFileInfo::exists(device + QStringLiteral("/partition"))) device = QFileInfo(device).path();
    return ReadLine(device + QStringLiteral("/removable")) == QStringLiteral("1");
}

bool IsOnRemovableDisk(const QString& file) {
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) != 0) return false;
    return IsOnRemovableDisk(st.st_dev);
}

CStartArguments ClassifyStartArgument(const QString& argument) {
    CStartArguments args;
    if (argument.isEmpty()) return args;
    QFile f(argument);
    if (QFileInfo(argument).isFile() && f.open(QIODevice::ReadOnly)) {
        const QByteArray head = f.read(4);
        if (head.size() == 4 && std::equal(head.begin(), head.end(), kScanInfoMagic.begin(),
                                           [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; })) {
            args.scanInfo = argument;
            return args;
        }
    }
    args.medium = argument;
    return args;
}

int RunDesktopProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvolin"));
    QApplication::setApplicationVersion(QStringLiteral(TVN_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tarvolin"));
    ApplyAppStyle(app);
    // The windows speak the language the environment asks for; the command
    // line's help stays English.
    InstallTranslations(EnvironmentLocale());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Recovers photos, music and video from cards, disks and disk images."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("DEVICE|IMAGE|SCANINFO"),
                                 QStringLiteral("A disk, a disk image to pick, or a scan info file to load."),
                                 QStringLiteral("[DEVICE|IMAGE|SCANINFO]"));
    const QCommandLineOption logOption(QStringLiteral("log"),
                                       QStringLiteral("Write the diagnostic console to FILE."),
                                       QStringLiteral("FILE"));
    parser.addOption(logOption);
    parser.process(app);

    // One instance at a time.
    CInstanceLock lock;
    switch (lock.Acquire()) {
        case CInstanceLock::Result::Acquired: break;
        case CInstanceLock::Result::AlreadyRunning: {
            // The running window comes to the front, and the message says why.
            AskRunningInstanceToRaise(QString());
            const char* text =
                QT_TRANSLATE_NOOP("Tarvolin", "Orvane Tarvolin already running.\nPlease close the running instance first.");
            std::fprintf(stderr, "tarvolin: %s\n", qPrintable(QString::fromUtf8(text).replace('\n', ' ')));
            ShowMessage(nullptr, Tr(text), kProduct, MsgIcon::Error);
            return 1;
        }
        case CInstanceLock::Result::Failed: {
            const char* text = QT_TRANSLATE_NOOP("Tarvolin", "Failed to load Orvane Tarvolin");
            std::fprintf(stderr, "tarvolin: %s (%s)\n", text, qPrintable(lock.Path()));
            ShowMessage(nullptr, Tr(text), kProduct, MsgIcon::Error);
            return 1;
        }
    }

    CInstanceListener listener(QString(), [] { RaiseWizardWindow(); });

    // Raw access to disks: without it images still work; say how to get it.
    const RawAccessCheck raw = IsDriverInstalled();
    if (raw.how == RawAccess::None && !raw.advice.empty())
        ShowMessage(nullptr, QString::fromStdString(raw.advice), Tr("Information"), MsgIcon::Information);

    // Never run from the medium being recovered.
    if (IsOnRemovableDisk(QCoreApplication::applicationFilePath())) {
        ShowMessage(nullptr, Tr("Please install Tarvolin to run this application."), Tr("Information"),
                    MsgIcon::Information);
        return 1;
    }

    const QStringList positional = parser.positionalArguments();
    const CStartArguments start = ClassifyStartArgument(positional.isEmpty() ? QString() : positional.first());

    // The diagnostic console: to the file of --log, or to standard output
    // when $TVN_TRACE is set; otherwise nowhere.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> log(nullptr, &std::fclose);
    if (parser.isSet(logOption)) {
        const std::string path = parser.value(logOption).toStdString();
        const std::string refusal = WriteOnSourceRefusal(path, start.medium.toStdString());
        if (!refusal.empty()) {
            std::fprintf(stderr, "tarvolin: %s\n", refusal.c_str());
            return 1;
        }
        log.reset(std::fopen(path.c_str(), "a"));
        if (!log) {
            std::fprintf(stderr, "tarvolin: cannot open log file %s\n", path.c_str());
            return 1;
        }
        CQtReporter::SetConsoleSink(log.get());
    } else if (!qEnvironmentVariableIsEmpty("TVN_TRACE")) {
        CQtReporter::SetConsoleSink(stdout);
    }
    struct SinkReset {
        ~SinkReset() { CQtReporter::SetConsoleSink(nullptr); }
    } sinkReset;
    CWizardOptions options;
    options.medium = start.medium;
    CWizardController wizard(options);
    WizardStep first = WizardStep::Main;
    if (!start.scanInfo.isEmpty() && wizard.LoadScanInfoAtStart(start.scanInfo)) first = WizardStep::FoundData;
    wizard.Run(first);
    return 0;
}

}  // namespace tvn::ui
