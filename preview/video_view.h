// The picture area of the players: takes the frames of a QMediaPlayer
// through a QVideoSink and paints each one fitted into the widget, centred,
// on black. Painting the frames ourselves keeps the picture part of the
// widget tree, so it shows on every platform plugin and in grabs.
#pragma once

#include <QImage>
#include <QWidget>

class QVideoFrame;
class QVideoSink;

namespace tvn::preview {

class CVideoView : public QWidget {
    Q_OBJECT
public:
    explicit CVideoView(QWidget* parent = nullptr);
    QVideoSink* Sink() const { return m_sink; }
    const QImage& Frame() const { return m_frame; }
    int FramesShown() const { return m_frames; }
    QSize sizeHint() const override { return {400, 300}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnFrame(const QVideoFrame& frame);

    QVideoSink* m_sink;
    QImage m_frame;
    int m_frames = 0;
};

}  // namespace tvn::preview
