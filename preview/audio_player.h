// The MIDI player, "File previewer": plays a found MIDI file on the
// synthesizer, laid out as the media player is: the name with a note, the
// position bar, then play, pause and stop, the time and the volume.
#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QSlider;

namespace tvn::preview {

class CMidiSynth;


inline constexpr const char* kSynthFailed =
    "Can't initialize DirectMusic objects.Ensure you have an audio card device and DirectX 8.0 or "
    "above installed in your system.";

class CAudioPlayer : public QDialog {
    Q_OBJECT
public:
    CAudioPlayer(const std::string& copyPath, const QString& fileName, QWidget* parent = nullptr);
    ~CAudioPlayer() override;

    // Starts the synthesizer and the song; messages when either fails. Called
    // once the dialog shows (and by tests). The soundfont (a large file) is
    // loaded on a worker while the window keeps serving its events; closing
    // the window meanwhile takes effect once it is loaded.
    bool Start();
    bool Playing() const { return m_playing; }
    QString PositionText() const;
    CMidiSynth* Synth() const { return m_synth.get(); }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void Update();

    std::string m_copy;
    std::unique_ptr<CMidiSynth> m_synth;
    QSlider* m_volume;
    QLabel* m_position;
    QSlider* m_progress;
    int m_timer = 0;
    bool m_started = false;
    bool m_playing = false;
    bool m_loading = false;       // the soundfont is being loaded
    std::optional<int> m_doneWhileLoading;  // the window was closed meanwhile
};

}  // namespace tvn::preview
