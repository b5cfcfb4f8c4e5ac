#include "preview/audio_player.h"
#include "preview/i18n.h"

#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QTimerEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <thread>

#include "output/preview_copy.h"
#include "preview/media_player.h"
#include "preview/midi_synth.h"

namespace tvn::preview {

CAudioPlayer::CAudioPlayer(const std::string& copyPath, const QString& fileName, QWidget* parent)
    : QDialog(parent), m_copy(copyPath), m_synth(std::make_unique<CMidiSynth>()),
      m_volume(new QSlider(Qt::Horizontal, this)), m_position(new QLabel(MediaPositionText(0, 0), this)),
      m_progress(new QSlider(Qt::Horizontal, this)) {
    setWindowTitle(Tr("File previewer"));
    setToolTip(fileName);
    // The name with a note above, as the media player shows a sound file.
    auto* note = new QLabel(this);
    note->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(32, 32));
    auto* name = new QLabel(fileName, this);
    QFont big = name->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.2);
    name->setFont(big);
    auto* title = new QHBoxLayout;
    title->addWidget(note);
    title->addWidget(name, 1);
    m_volume->setObjectName(QStringLiteral("id1078"));
    m_position->setObjectName(QStringLiteral("id1075"));
    m_progress->setObjectName(QStringLiteral("id1099"));
    m_volume->setRange(0, 1000);
    m_volume->setValue(m_synth->Volume());
    m_volume->setMaximumWidth(120);
    m_progress->setEnabled(false);  // shows the position; MIDI is not sought
    auto button = [this](QStyle::StandardPixmap icon, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setIcon(style()->standardIcon(icon));
        b->setIconSize(QSize(16, 16));
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        return b;
    };
    auto* play = button(QStyle::SP_MediaPlay, Tr("Play"));
    auto* pause = button(QStyle::SP_MediaPause, Tr("Pause"));
    auto* stop = button(QStyle::SP_MediaStop, Tr("Stop"));
    m_volume->setToolTip(Tr("Volume"));
    m_volume->setAccessibleName(Tr("Volume"));
    m_progress->setAccessibleName(Tr("Position"));
    m_position->setAccessibleName(Tr("Position"));
    m_position->setMinimumWidth(m_position->fontMetrics().horizontalAdvance(
        MediaPositionText(0, 0) + QStringLiteral("  ")));
    play->setObjectName(QStringLiteral("id1004"));
    pause->setObjectName(QStringLiteral("id1005"));
    stop->setObjectName(QStringLiteral("id1006"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(play);
    buttons->addWidget(pause);
    buttons->addWidget(stop);
    buttons->addWidget(m_position, 1);
    auto* speaker = new QLabel(this);
    speaker->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(16, 16));
    buttons->addWidget(speaker);
    buttons->addWidget(m_volume);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(title);
    layout->addWidget(m_progress);
    layout->addLayout(buttons);
    resize(440, 150);

    connect(m_volume, &QSlider::valueChanged, this, [this](int v) { m_synth->SetVolume(v); });
    connect(play, &QToolButton::clicked, this, [this] {
        if (!m_started) {
            Start();
        } else if (!m_playing) {
            if (m_synth->Finished()) m_synth->Rewind();
            m_playing = m_synth->Resume();
        }
    });
    connect(pause, &QToolButton::clicked, this, [this] {
        m_synth->Stop();  // the song stays where it is
        m_playing = false;
    });
    connect(stop, &QToolButton::clicked, this, [this] {
        m_synth->Stop();
        m_synth->Rewind();
        m_playing = false;
        m_progress->setValue(0);
        m_position->setText(MediaPositionText(0, m_synth->TicksToMs(m_synth->TotalTicks())));
    });
}

CAudioPlayer::~CAudioPlayer() {
    m_synth.reset();  // stops the sound before the copy goes
    if (!m_copy.empty()) WipeFile(m_copy);
}

void CAudioPlayer::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Messages come after the dialog is up, as the user expects them.
    if (!m_started) QTimer::singleShot(0, this, [this] { Start(); });
}

bool CAudioPlayer::Start() {
    if (m_started) return m_playing;
    m_started = true;
    // The soundfont may take seconds to read: on a worker, while this
    // window (and the one below it) keeps answering.
    bool synthStarted = false;
    {
        QEventLoop loop;
        m_loading = true;
        CMidiSynth* synth = m_synth.get();
        std::thread loader([&loop, &synthStarted, synth] {
            synthStarted = synth->Start(true);
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        loader.join();
        m_loading = false;
    }
    if (m_doneWhileLoading) {
        // Closed while the soundfont was loading: nothing is played.
        const int result = *m_doneWhileLoading;
        m_doneWhileLoading.reset();
        QDialog::done(result);
        return false;
    }
    if (!synthStarted) {
        QMessageBox::critical(this, Tr("Error"), Tr(kSynthFailed));
        return false;
    }
    if (!m_synth->Play(m_copy)) {
        QMessageBox::critical(this, Tr("Error"), Tr("Error loading file"));
        return false;
    }
    m_playing = true;
    m_position->setText(MediaPositionText(0, m_synth->TicksToMs(m_synth->TotalTicks())));
    m_timer = startTimer(100);
    return true;
}

void CAudioPlayer::done(int result) {
    // The loader still uses the synthesizer: the window goes once it is done.
    if (m_loading) {
        m_doneWhileLoading = result;
        return;
    }
    QDialog::done(result);
}

QString CAudioPlayer::PositionText() const { return m_position->text(); }

void CAudioPlayer::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_timer) Update();
}

void CAudioPlayer::Update() {
    if (!m_playing) return;
    m_synth->Pump();
    const int total = m_synth->TotalTicks();
    const int tick = std::min(m_synth->CurrentTick(), std::max(total, 0));
    m_progress->setRange(0, std::max(total, 0));
    m_progress->setValue(tick);
    m_position->setText(MediaPositionText(m_synth->TicksToMs(tick), m_synth->TicksToMs(total)));
    if (m_synth->Finished()) {
        m_playing = false;
        m_synth->Stop();
    }
}

}  // namespace tvn::preview
