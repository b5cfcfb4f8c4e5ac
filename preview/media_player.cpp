#include "preview/media_player.h"
#include "preview/i18n.h"

#include <QAudioOutput>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QTimerEvent>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "output/preview_copy.h"
#include "preview/video_view.h"

namespace tvn::preview {

namespace {

constexpr int kPositionTimerMs = 500;

QToolButton* MediaButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& tip,
                         int id) {
    auto* b = new QToolButton(parent);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setIconSize(QSize(16, 16));
    b->setToolTip(tip);
    b->setAccessibleName(tip);
    b->setObjectName(QStringLiteral("id%1").arg(id));
    return b;
}

CVideoView* VideoArea(QWidget* parent, int id) {
    auto* video = new CVideoView(parent);
    video->setObjectName(QStringLiteral("id%1").arg(id));
    video->setAccessibleName(Tr("Video"));
    return video;
}

}  // namespace

QString MediaPositionText(qint64 positionMs, qint64 lengthMs) {
    auto part = [](qint64 ms, int& h, int& m, int& s) {
        if (ms < 0) ms = 0;
        h = static_cast<int>(ms / 3600000);
        ms %= 3600000;
        m = static_cast<int>(ms / 60000);
        ms %= 60000;
        s = static_cast<int>(ms / 1000);
    };
    const bool hours = std::max(positionMs, lengthMs) >= 3600000;
    auto text = [&](qint64 ms) {
        int h = 0, m = 0, s = 0;
        part(ms, h, m, s);
        return hours ? QString::asprintf("%d:%02d:%02d", h, m, s) : QString::asprintf("%d:%02d", m, s);
    };
    return text(positionMs) + QStringLiteral(" / ") + text(lengthMs);
}

void ShowNotPlayable(QWidget* parent) {
    QMessageBox::information(parent, Tr("Information"), Tr(kPreviewNotAvailable));
}

CMediaPlayer::CMediaPlayer(const std::string& copyPath, const QString& fileName, QWidget* parent)
    : QDialog(parent), m_copy(copyPath), m_player(new QMediaPlayer(this)),
      m_audio(new QAudioOutput(this)), m_video(VideoArea(this, 1070)),
      m_progress(new QSlider(Qt::Horizontal, this)),
      m_play(MediaButton(this, QStyle::SP_MediaPlay, Tr("Play"), 1072)),
      m_pause(MediaButton(this, QStyle::SP_MediaPause, Tr("Pause"), 1073)),
      m_stop(MediaButton(this, QStyle::SP_MediaStop, Tr("Stop"), 1074)),
      m_position(new QLabel(MediaPositionText(0, 0), this)),
      m_volume(new QSlider(Qt::Horizontal, this)) {
    setWindowTitle(Tr(" Media Player - ") + fileName);
    m_progress->setObjectName(QStringLiteral("id1071"));
    // No length until the file tells it: the handle stays at the start.
    m_progress->setRange(0, 0);
    m_progress->setEnabled(false);
    m_position->setObjectName(QStringLiteral("id1075"));
    m_volume->setObjectName(QStringLiteral("id1076"));
    m_volume->setRange(0, 1000);
    m_volume->setToolTip(Tr("Volume"));
    m_volume->setAccessibleName(Tr("Volume"));
    m_progress->setAccessibleName(Tr("Position"));
    m_position->setAccessibleName(Tr("Position"));
    m_volume->setMaximumWidth(120);
    m_position->setMinimumWidth(m_position->fontMetrics().horizontalAdvance(
        MediaPositionText(0, 0) + QStringLiteral("  ")));

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_play);
    controls->addWidget(m_pause);
    controls->addWidget(m_stop);
    controls->addWidget(m_position, 1);
    auto* speaker = new QLabel(this);
    speaker->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(16, 16));
    controls->addWidget(speaker);
    controls->addWidget(m_volume);
    // A sound file shows its name and a note; the picture area opens only
    // when the file turns out to hold video.
    auto* sound = new QWidget(this);
    auto* soundRow = new QHBoxLayout(sound);
    auto* note = new QLabel(sound);
    note->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(32, 32));
    auto* title = new QLabel(fileName, sound);
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.2);
    title->setFont(big);
    soundRow->addWidget(note);
    soundRow->addWidget(title, 1);
    m_video->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sound);
    layout->addWidget(m_video, 1);
    layout->addWidget(m_progress);
    layout->addLayout(controls);
    resize(440, 150);
    connect(m_player, &QMediaPlayer::hasVideoChanged, this, [this, sound](bool video) {
        sound->setVisible(!video);
        m_video->setVisible(video);
        if (video) resize(std::max(width(), 480), std::max(height(), 380));
    });

    m_player->setAudioOutput(m_audio);
    m_player->setVideoSink(m_video->Sink());
    m_volume->setValue(static_cast<int>(m_audio->volume() * 1000.0f + 0.5f));
    connect(m_volume, &QSlider::valueChanged, this, &CMediaPlayer::SetVolume);
    connect(m_play, &QToolButton::clicked, this, &CMediaPlayer::Play);
    connect(m_pause, &QToolButton::clicked, this, &CMediaPlayer::Pause);
    connect(m_stop, &QToolButton::clicked, this, &CMediaPlayer::Stop);
    connect(m_progress, &QSlider::sliderReleased, this, [this] {
        m_player->setPosition(m_progress->value());
        if (!m_paused) m_player->play();
    });
    connect(m_player, &QMediaPlayer::durationChanged, this,
            [this](qint64 ms) {
                // A file whose length is unknown cannot be sought.
                m_progress->setRange(0, static_cast<int>(std::min<qint64>(ms, INT_MAX)));
                m_progress->setEnabled(ms > 0);
            });
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &CMediaPlayer::OnStatus);
    connect(m_player, &QMediaPlayer::errorOccurred, this, &CMediaPlayer::OnError);

    m_player->setSource(QUrl::fromLocalFile(QString::fromStdString(m_copy)));
    m_timer = startTimer(kPositionTimerMs);
    m_player->play();
}

CMediaPlayer::~CMediaPlayer() {
    m_player->stop();
    m_player->setSource(QUrl());
    // Wiped only once the engine has let go of it: wiping earlier would
    // leave the engine reading zeros.
    if (!m_copy.empty()) WipeFile(m_copy);
}

void CMediaPlayer::done(int result) {
    m_player->stop();
    QDialog::done(result);
}

void CMediaPlayer::Play() {
    m_paused = false;
    m_player->play();
}

void CMediaPlayer::Pause() {
    m_paused = true;
    m_player->pause();
}

void CMediaPlayer::Stop() {
    m_paused = false;
    m_player->stop();
    m_player->setPosition(0);
    UpdatePosition();
}

void CMediaPlayer::SetVolume(int volume) {
    volume = std::clamp(volume, 0, 1000);
    m_audio->setVolume(static_cast<float>(volume) / 1000.0f);
    if (m_volume->value() != volume) m_volume->setValue(volume);
}

QString CMediaPlayer::PositionText() const { return m_position->text(); }

void CMediaPlayer::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_timer) UpdatePosition();
}

void CMediaPlayer::UpdatePosition() {
    const qint64 pos = m_player->position();
    m_position->setText(MediaPositionText(pos, m_player->duration()));
    // Milliseconds on a slider of the file's length; a file whose length is
    // unknown leaves it at the start.
    if (m_progress->isEnabled() && !m_progress->isSliderDown())
        m_progress->setValue(static_cast<int>(std::min<qint64>(pos, INT_MAX)));
}

void CMediaPlayer::OnStatus(QMediaPlayer::MediaStatus status) {
    if (status == QMediaPlayer::InvalidMedia) OnError();
    if (status == QMediaPlayer::EndOfMedia) UpdatePosition();
}

void CMediaPlayer::OnError() {
    if (m_failed) return;
    // A movie whose pictures play is playable: an error of one of its
    // streams (a sound track the engine cannot decode, no audio device)
    // does not make it a broken file.
    if (m_video->FramesShown() > 0) return;
    m_failed = true;
    killTimer(m_timer);
    m_timer = 0;
    // Shown once the engine's signal has returned, not inside it.
    QTimer::singleShot(0, this, [this] { ShowNotPlayable(this); });
}

CAVIPlayer::CAVIPlayer(const std::string& copyPath, const QString& fileName, QWidget* parent)
    : QDialog(parent), m_copy(copyPath), m_player(new QMediaPlayer(this)),
      m_audio(new QAudioOutput(this)), m_video(VideoArea(this, 1092)) {
    setWindowTitle(Tr("Media Player"));
    setToolTip(fileName);
    auto* play = new QPushButton(Tr("Play"), this);
    auto* stop = new QPushButton(Tr("Stop"), this);
    play->setObjectName(QStringLiteral("id1004"));
    stop->setObjectName(QStringLiteral("id1005"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(play);
    buttons->addWidget(stop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_video, 1);
    layout->addLayout(buttons);
    resize(420, 340);

    m_player->setAudioOutput(m_audio);
    m_player->setVideoSink(m_video->Sink());
    connect(play, &QPushButton::clicked, this, [this] {
        m_player->setPosition(0);
        m_player->play();
    });
    connect(stop, &QPushButton::clicked, m_player, &QMediaPlayer::stop);
    auto fail = [this] {
        // Only a file nothing of which plays gets the message; an error after
        // the pictures began is a stream of it the engine cannot play.
        if (m_failed || m_video->FramesShown() > 0) return;
        m_failed = true;
        QTimer::singleShot(0, this, [this] { ShowNotPlayable(this); });
    };
    connect(m_player, &QMediaPlayer::errorOccurred, this, fail);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this,
            [fail](QMediaPlayer::MediaStatus s) {
                if (s == QMediaPlayer::InvalidMedia) fail();
            });
    m_player->setSource(QUrl::fromLocalFile(QString::fromStdString(m_copy)));
    m_player->play();  // once, from the first frame to the last
}

CAVIPlayer::~CAVIPlayer() {
    m_player->stop();
    m_player->setSource(QUrl());
    if (!m_copy.empty()) WipeFile(m_copy);
}

void CAVIPlayer::done(int result) {
    m_player->stop();
    QDialog::done(result);
}

}  // namespace tvn::preview
