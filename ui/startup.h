// Start-up of the desktop program: one instance at a time, never from a
// removable medium, a word about raw disk access, and the medium or scan
// info named on the command line.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <functional>
#include <sys/types.h>

namespace tvn::ui {

// The lock that keeps a second instance from starting: a lock file in the
// user's runtime folder ($XDG_RUNTIME_DIR, else the temporary folder). A lock
// left by an instance that crashed is taken over.
class CInstanceLock {
public:
    enum class Result { Acquired, AlreadyRunning, Failed };

    explicit CInstanceLock(const QString& dir = QString());
    Result Acquire();
    const QString& Path() const { return m_path; }

    static QString DefaultDir();

private:
    QString m_path;
    QLockFile m_lock;
};

// The running instance listens on a local socket beside the lock
// (tarvolin.socket); a second start knocks on it and the first brings its
// window to the front.
class CInstanceListener : public QObject {
    Q_OBJECT
public:
    CInstanceListener(const QString& dir, std::function<void()> raise);
    bool IsListening() const { return m_server.isListening(); }
    static QString SocketPath(const QString& dir);

private:
    QLocalServer m_server;
    std::function<void()> m_raise;
};

// Asks the running instance to show its window; true when it answered.
bool AskRunningInstanceToRaise(const QString& dir, int timeoutMs = 2000);
// Brings the wizard's window (or the box it shows) to the front.
void RaiseWizardWindow();

// Whether the file system holding a file of device number dev lies on a
// removable disk (a card, a USB stick, an optical disc), judged by sysfs
// under sysRoot.
bool IsOnRemovableDisk(dev_t dev, const QString& sysRoot = QStringLiteral("/sys"));
bool IsOnRemovableDisk(const QString& file);

// What the command line names: nothing, a medium (device or image) to pick,
// or a scan info file to load.
struct CStartArguments {
    QString medium;
    QString scanInfo;
};
// A regular file is taken for scan info when it begins with the scan info
// magic; anything else is a medium.
CStartArguments ClassifyStartArgument(const QString& argument);

// The whole start-up and the wizard; returns the process's exit status.
int RunDesktopProgram(int argc, char** argv);

}  // namespace tvn::ui
