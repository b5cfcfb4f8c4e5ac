// MIDI playback on FluidSynth with a General MIDI soundfont. The synthesizer
// plays to the desktop's sound server when there is one; on a machine without
// an audio device it still runs, rendering into nothing at the pace of the
// clock, so position and end are reported the same way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_player_t fluid_player_t;
typedef struct _fluid_audio_driver_t fluid_audio_driver_t;

namespace tvn::preview {

// The soundfont: $TVN_SOUNDFONT when set, else the first General MIDI
// soundfont found under /usr/share/sounds/sf2; empty when there is none.
std::string FindSoundFont();

// True when the file is a Standard MIDI File FluidSynth can play, bare or
// wrapped in a RIFF "RMID" file.
bool IsMidiFile(const std::string& path);

// The Standard MIDI File in data: all of it, or the "data" chunk of a RIFF
// "RMID" file; empty when there is none.
std::vector<uint8_t> SmfBytes(const std::vector<uint8_t>& data);

class CMidiSynth {
public:
    CMidiSynth();
    ~CMidiSynth();
    CMidiSynth(const CMidiSynth&) = delete;
    CMidiSynth& operator=(const CMidiSynth&) = delete;

    // Settings, synthesizer and soundfont; false when the synthesizer cannot
    // start. liveOutput tries the sound server or card first.
    bool Start(bool liveOutput);
    bool HasAudioDevice() const { return m_driver != nullptr; }
    // Loads the file and starts playing it; false when it is not a MIDI file
    // or cannot be loaded.
    bool Play(const std::string& path);
    // Stops where the song is; Resume plays on from there, Rewind goes back
    // to the start.
    void Stop();
    bool Resume();
    void Rewind();
    // Without an audio device, renders the time since the last call into
    // nothing; call it from a timer.
    void Pump();
    // Position and length in ticks, and whether the song is over (the player
    // keeps saying "playing" for a while after the last event, so the end is
    // the current tick reaching the total).
    int CurrentTick() const;
    int TotalTicks() const;
    // Ticks as time at the song's current tempo, in milliseconds.
    int64_t TicksToMs(int ticks) const;
    bool Finished() const;
    // 0 to 1,000, on the synthesizer's own output.
    void SetVolume(int volume);
    int Volume() const { return m_volume; }

private:
    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_synth = nullptr;
    fluid_player_t* m_player = nullptr;
    fluid_audio_driver_t* m_driver = nullptr;
    int m_volume = 1000;
    int m_division = 0;  // ticks per quarter note, from the file's header
    int64_t m_lastPumpMs = -1;
};

struct MidiRender {
    bool ok = false;
    int totalTicks = 0;
    uint64_t frames = 0;  // sample frames until the last event
    double seconds = 0;
    int16_t peak = 0;     // the loudest sample
};

// Renders the whole file offline at sampleRate (stereo); samples, when
// given, receives the interleaved 16-bit samples. Stops after maxSeconds.
MidiRender RenderMidi(const std::string& path, int sampleRate = 44100,
                      std::vector<int16_t>* samples = nullptr, double maxSeconds = 600);

}  // namespace tvn::preview
