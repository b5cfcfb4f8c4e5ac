// The moving pictures of the wizard, painted rather than played from files:
// the job animation of the processing window and the small type icons of the
// file-type selection.
#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

namespace tvn::ui {

// The processing window's animation, one per kind of job.
class CJobAnimation : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Scan, Save, Compress, Burn, BurnCompressed };

    explicit CJobAnimation(QWidget* parent = nullptr);
    void SetKind(Kind kind);
    Kind GetKind() const { return m_kind; }
    // Plays in a loop from the first frame; Stop keeps the frame shown.
    void Play();
    void Stop();
    bool IsPlaying() const { return m_timer.isActive(); }
    int Frame() const { return m_frame; }

    static constexpr int kFrames = 48;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintScan(QPainter& p, double t);
    void PaintTransfer(QPainter& p, double t, bool zip);
    void PaintBurn(QPainter& p, double t, bool zip);

    Kind m_kind = Kind::Scan;
    QTimer m_timer;
    int m_frame = 0;
};

// The animated icon beside a file type: a sheet with the type's name on a
// band of its family's colour (pictures, camera raw, music, video) and a
// light that runs over it.
class CTypeIcon : public QWidget {
    Q_OBJECT
public:
    CTypeIcon(const QString& typeName, QWidget* parent = nullptr);
    void Play();
    void Stop();
    bool IsPlaying() const { return m_timer.isActive(); }
    QSize sizeHint() const override { return {32, 32}; }

    // The family colour of a type.
    static QColor TypeColor(const QString& typeName);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_type;
    QTimer m_timer;
    int m_frame = 0;
};

}  // namespace tvn::ui
