#include "preview/midi_synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <filesystem>
#include <mutex>

namespace tvn::preview {

namespace {

constexpr double kSampleRate = 44100;
constexpr float kFullGain = 0.5f;

void QuietLog(int, const char*, void*) {}

// FluidSynth prints its complaints (no sound server, no card) to stderr;
// the player reports what matters itself.
void SilenceFluidLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, QuietLog, nullptr);
    });
}

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

std::string FindSoundFont() {
    if (const char* env = std::getenv("TVN_SOUNDFONT"); env != nullptr && *env != '\0') return env;
    for (const char* path : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                             "/usr/share/sounds/sf2/FluidR3_GM.sf2"}) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) return path;
    }
    return {};
}

std::vector<uint8_t> SmfBytes(const std::vector<uint8_t>& d) {
    auto text = [&](size_t at, const char* t) {
        return at + 4 <= d.size() && std::memcmp(d.data() + at, t, 4) == 0;
    };
    auto le32 = [&](size_t at) {
        return uint32_t{d[at]} | uint32_t{d[at + 1]} << 8 | uint32_t{d[at + 2]} << 16 |
               uint32_t{d[at + 3]} << 24;
    };
    if (text(0, "MThd")) return d;
    if (!text(0, "RIFF") || !text(8, "RMID")) return {};
    for (size_t at = 12; at + 8 <= d.size();) {
        const uint64_t size = le32(at + 4);
        if (size > d.size() - at - 8) return {};
        if (text(at, "data")) {
            if (!text(at + 8, "MThd")) return {};
            return std::vector<uint8_t>(d.begin() + static_cast<ptrdiff_t>(at + 8),
                                        d.begin() + static_cast<ptrdiff_t>(at + 8 + size));
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

namespace {

// The file's MIDI data, unwrapped from RMID; empty when it is none.
std::vector<uint8_t> LoadSmf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0 || size > (64 << 20)) return {};
    in.seekg(0);
    std::vector<uint8_t> d(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(d.data()), size);
    if (!in) return {};
    // A bare file is checked the way the player itself will read it.
    if (d.size() >= 4 && std::memcmp(d.data(), "MThd", 4) == 0 && fluid_is_midifile(path.c_str()) == 0)
        return {};
    return SmfBytes(d);
}

}  // namespace

bool IsMidiFile(const std::string& path) { return !LoadSmf(path).empty(); }

CMidiSynth::CMidiSynth() { SilenceFluidLog(); }

CMidiSynth::~CMidiSynth() {
    // The driver calls into the synthesizer from its own thread: it goes first.
    if (m_driver) delete_fluid_audio_driver(m_driver);
    if (m_player) {
        fluid_player_stop(m_player);
        delete_fluid_player(m_player);
    }
    if (m_synth) delete_fluid_synth(m_synth);
    if (m_settings) delete_fluid_settings(m_settings);
}

bool CMidiSynth::Start(bool liveOutput) {
    const std::string font = FindSoundFont();
    if (font.empty()) return false;
    m_settings = new_fluid_settings();
    if (!m_settings) return false;
    fluid_settings_setnum(m_settings, "synth.sample-rate", kSampleRate);
    fluid_settings_setint(m_settings, "synth.threadsafe-api", 1);
    m_synth = new_fluid_synth(m_settings);
    if (!m_synth || fluid_synth_sfload(m_synth, font.c_str(), 1) == FLUID_FAILED) return false;
    SetVolume(m_volume);
    if (liveOutput) {
        // The player follows the sample clock in both cases, so that a render
        // into nothing moves it just as the sound card would.
        m_driver = new_fluid_audio_driver(m_settings, m_synth);
    }
    return true;
}

bool CMidiSynth::Play(const std::string& path) {
    if (!m_synth) return false;
    const std::vector<uint8_t> smf = LoadSmf(path);
    if (smf.empty()) return false;
    if (m_player) {
        fluid_player_stop(m_player);
        delete_fluid_player(m_player);
    }
    m_player = new_fluid_player(m_synth);
    if (!m_player) return false;
    fluid_player_set_loop(m_player, 1);  // once
    if (fluid_player_add_mem(m_player, smf.data(), smf.size()) != FLUID_OK) return false;
    // A division with its top bit set counts SMPTE frames, not quarters.
    m_division = smf.size() >= 14 && (smf[12] & 0x80) == 0 ? (smf[12] << 8) | smf[13] : 0;
    m_lastPumpMs = NowMs();
    return fluid_player_play(m_player) == FLUID_OK;
}

void CMidiSynth::Stop() {
    if (m_player) fluid_player_stop(m_player);
    if (m_synth) fluid_synth_all_sounds_off(m_synth, -1);
}

bool CMidiSynth::Resume() {
    if (!m_player) return false;
    m_lastPumpMs = NowMs();
    return fluid_player_play(m_player) == FLUID_OK;
}

void CMidiSynth::Rewind() {
    if (m_player) fluid_player_seek(m_player, 0);
}

void CMidiSynth::Pump() {
    if (m_driver || !m_synth) return;
    const int64_t now = NowMs();
    if (m_lastPumpMs < 0) m_lastPumpMs = now;
    int64_t frames = std::min<int64_t>(now - m_lastPumpMs, 2000) * static_cast<int64_t>(kSampleRate) / 1000;
    m_lastPumpMs = now;
    static thread_local std::array<int16_t, 2 * 4096> scratch;
    while (frames > 0) {
        const int n = static_cast<int>(std::min<int64_t>(frames, 4096));
        fluid_synth_write_s16(m_synth, n, scratch.data(), 0, 2, scratch.data(), 1, 2);
        frames -= n;
    }
}

int CMidiSynth::CurrentTick() const { return m_player ? fluid_player_get_current_tick(m_player) : 0; }

int CMidiSynth::TotalTicks() const { return m_player ? fluid_player_get_total_ticks(m_player) : 0; }

int64_t CMidiSynth::TicksToMs(int ticks) const {
    if (!m_player || m_division <= 0 || ticks <= 0) return 0;
    int tempo = fluid_player_get_midi_tempo(m_player);  // microseconds a quarter note
    if (tempo <= 0) tempo = 500000;
    return static_cast<int64_t>(ticks) * tempo / m_division / 1000;
}

bool CMidiSynth::Finished() const {
    if (!m_player) return true;
    if (fluid_player_get_status(m_player) == FLUID_PLAYER_DONE) return true;
    const int total = TotalTicks();
    return total > 0 && CurrentTick() >= total;
}

void CMidiSynth::SetVolume(int volume) {
    m_volume = std::clamp(volume, 0, 1000);
    if (m_synth) fluid_synth_set_gain(m_synth, kFullGain * static_cast<float>(m_volume) / 1000.0f);
}

MidiRender RenderMidi(const std::string& path, int sampleRate, std::vector<int16_t>* samples,
                      double maxSeconds) {
    SilenceFluidLog();
    MidiRender r;
    const std::string font = FindSoundFont();
    const std::vector<uint8_t> smf = LoadSmf(path);
    if (font.empty() || smf.empty()) return r;
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", sampleRate);
    fluid_synth_t* synth = new_fluid_synth(settings);
    fluid_player_t* player = nullptr;
    if (synth && fluid_synth_sfload(synth, font.c_str(), 1) != FLUID_FAILED) {
        player = new_fluid_player(synth);
        if (player && fluid_player_add_mem(player, smf.data(), smf.size()) == FLUID_OK &&
            fluid_player_play(player) == FLUID_OK) {
            constexpr int kBlock = 512;
            std::array<int16_t, 2 * kBlock> block{};
            const auto limit = static_cast<uint64_t>(maxSeconds * sampleRate);
            while (r.frames < limit) {
                fluid_synth_write_s16(synth, kBlock, block.data(), 0, 2, block.data(), 1, 2);
                for (int16_t s : block) r.peak = std::max<int16_t>(r.peak, static_cast<int16_t>(std::abs(s)));
                if (samples) samples->insert(samples->end(), block.begin(), block.end());
                r.frames += kBlock;
                const int total = fluid_player_get_total_ticks(player);
                if (fluid_player_get_status(player) == FLUID_PLAYER_DONE ||
                    (total > 0 && fluid_player_get_current_tick(player) >= total))
                    break;
            }
            r.totalTicks = fluid_player_get_total_ticks(player);
            r.seconds = static_cast<double>(r.frames) / sampleRate;
            r.ok = r.totalTicks > 0;
            fluid_player_stop(player);
        }
    }
    if (player) delete_fluid_player(player);
    if (synth) delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return r;
}

}  // namespace tvn::preview
