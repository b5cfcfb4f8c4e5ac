// The players of found audio and video files on Qt Multimedia: the media
// player (WAV, MP3, MPG, MP4, MOV) with its position and volume sliders, and
// the video player (AVI) with Play and Stop. Both play the preview copy and
// wipe it when they close. Volume is the player's own stream, never the
// desktop's master volume.
#pragma once

#include <QDialog>
#include <QMediaPlayer>
#include <string>

class QAudioOutput;
class QLabel;
class QSlider;
class QToolButton;
class QPushButton;

namespace tvn::preview {

class CVideoView;

// A position and a length in milliseconds as players show them: "0:01 /
// 0:26", with hours ("1:02:03 / 2:02:02") once the length reaches an hour.
QString MediaPositionText(qint64 positionMs, qint64 lengthMs);

// The dialog's answer to a file that cannot be played.
void ShowNotPlayable(QWidget* parent);

class CMediaPlayer : public QDialog {
    Q_OBJECT
public:
    CMediaPlayer(const std::string& copyPath, const QString& fileName, QWidget* parent = nullptr);
    ~CMediaPlayer() override;

    QMediaPlayer* Engine() const { return m_player; }
    CVideoView* Video() const { return m_video; }
    QString PositionText() const;
    // Set when the file turned out not to be playable (the message was shown).
    bool Failed() const { return m_failed; }
    void Play();
    void Pause();
    void Stop();
    void SetVolume(int volume);  // 0 to 1,000

protected:
    void timerEvent(QTimerEvent* event) override;
    void done(int result) override;

private:
    void OnStatus(QMediaPlayer::MediaStatus status);
    void OnError();
    void UpdatePosition();

    std::string m_copy;
    QMediaPlayer* m_player;
    QAudioOutput* m_audio;
    CVideoView* m_video;
    QSlider* m_progress;
    QToolButton* m_play;
    QToolButton* m_pause;
    QToolButton* m_stop;
    QLabel* m_position;
    QSlider* m_volume;
    int m_timer = 0;
    bool m_paused = false;
    bool m_failed = false;
};

class CAVIPlayer : public QDialog {
    Q_OBJECT
public:
    CAVIPlayer(const std::string& copyPath, const QString& fileName, QWidget* parent = nullptr);
    ~CAVIPlayer() override;
    QMediaPlayer* Engine() const { return m_player; }
    CVideoView* Video() const { return m_video; }
    bool Failed() const { return m_failed; }

protected:
    void done(int result) override;

private:
    std::string m_copy;
    QMediaPlayer* m_player;
    QAudioOutput* m_audio;
    CVideoView* m_video;
    bool m_failed = false;
};

}  // namespace tvn::preview
