#include "tests/ui/ui_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include "tools/media/image.h"
#include "tools/media/samples.h"

namespace tvn::test {

BoxAnswerer::BoxAnswerer(std::deque<QMessageBox::StandardButton> answers) : m_answers(std::move(answers)) {
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &BoxAnswerer::Look);
    m_timer.start();
}

BoxAnswerer::~BoxAnswerer() { m_timer.stop(); }

void BoxAnswerer::Look() {
    if (!answering) return;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (box == nullptr || !box->isVisible() || box->property("tvnAnswered").toBool()) continue;
        box->setProperty("tvnAnswered", true);
        seen.push_back({box->windowTitle(), box->text(), box->icon()});
        if (onBox) onBox(*box);
        QMessageBox::StandardButton answer = QMessageBox::NoButton;
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.pop_front();
        } else {
            answer = box->button(QMessageBox::Ok) != nullptr ? QMessageBox::Ok : QMessageBox::Yes;
        }
        QAbstractButton* button = box->button(answer);
        if (button != nullptr)
            QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
        else
            QMetaObject::invokeMethod(box, &QDialog::reject, Qt::QueuedConnection);
    }
}

bool BoxAnswerer::Saw(const QString& text) const {
    for (const Seen& s : seen)
        if (s.text == text) return true;
    return false;
}

QString BoxAnswerer::Texts() const {
    QString all;
    for (const Seen& s : seen) all += QStringLiteral("[%1] %2\n").arg(s.caption, s.text);
    return all;
}

bool WaitFor(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

void Spin(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

DiscoveryResult TwoDrives() {
    DiscoveryResult r;
    CLogicalDrives fixed;
    fixed.m_strDrive = "/dev/sda";
    fixed.m_strMediaType = "Fixed hard disk media";
    fixed.m_strModel = "WDC WD5000";
    fixed.m_strSerial = "WD1";
    fixed.m_strInterfaceType = "SCSI";
    fixed.m_ullSizeBytes = 500107862016ull;
    fixed.m_strSize = "465.762 GB";
    fixed.m_strTotalSectors = "976773168";
    CLogicalDrives card;
    card.m_strDrive = "/dev/sdb";
    card.m_strMediaType = "Removable Media";
    card.m_strModel = "SD Card Reader";
    card.m_strSerial = " N\\A";
    card.m_strInterfaceType = "USB";
    card.m_ullSizeBytes = 4004511744ull;
    card.m_strSize = "3.729 GB";
    card.m_strTotalSectors = "7821312";
    CPartitionRecord part;
    part.m_strPath = "/dev/sdb1";
    part.m_strLabel = "CANON_DC";
    part.m_strFsType = "vfat";
    part.m_ullSizeBytes = 4003463168ull;
    part.m_strSize = "3.728 GB";
    card.m_partitions.push_back(part);
    r.drives = {fixed, card};
    return r;
}

int MakePhotoImage(const std::string& path) {
    // The samples are made once per run; they take a moment.
    static const std::vector<media::SampleFile> files = [] {
        std::vector<media::SampleFile> all;
        media::AppendPhotoSamples(all);
        return all;
    }();
    media::ImageFile image(path, 4u << 20);
    uint64_t offset = 64 * 512;
    int placed = 0;
    for (const media::SampleFile& f : files) {
        if (f.type != "JPG" && f.type != "TIF" && f.type != "NEF") continue;
        if (offset + f.data.size() + 8192 > image.Size()) break;
        image.Write(offset, f.data);
        offset += (f.data.size() + 511) / 512 * 512 + 8 * 512;
        ++placed;
    }
    return placed;
}

}  // namespace tvn::test
