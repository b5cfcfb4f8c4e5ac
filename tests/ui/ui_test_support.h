// What the wizard tests share: answering message boxes as a person would,
// waiting for the event loop, drive records of an imagined machine, and a
// small card image with photos on it.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "disk/drives.h"

namespace tvn::test {

// Answers every message box that opens while it lives: the next answer of
// the queue, else OK (or Yes where there is no OK). Remembers what it saw.
class BoxAnswerer : public QObject {
public:
    explicit BoxAnswerer(std::deque<QMessageBox::StandardButton> answers = {});
    ~BoxAnswerer() override;

    struct Seen {
        QString caption, text;
        QMessageBox::Icon icon;
    };
    std::vector<Seen> seen;
    // Called with each box before it is answered (still open).
    std::function<void(QMessageBox&)> onBox;
    // While false, boxes are left open (to be answered later).
    bool answering = true;

    bool Saw(const QString& text) const;
    QString Texts() const;

private:
    void Look();
    std::deque<QMessageBox::StandardButton> m_answers;
    QTimer m_timer;
};

// Serves the event loop until done() or the time is up; true when done.
bool WaitFor(const std::function<bool()>& done, int milliseconds = 20000);
// Serves the event loop for a while.
void Spin(int milliseconds);

// A removable card with two partitions and a fixed disk, in the system's order.
DiscoveryResult TwoDrives();

// A 4 MiB card image (zeros) holding the sample JPEG, TIFF and NEF files at
// sector boundaries; returns how many files were placed.
int MakePhotoImage(const std::string& path);

}  // namespace tvn::test
