// The wizard's pictures are decoded in a separate process: the bytes of a
// found file come off a damaged medium, and an image library that crashes or
// spins on them must never take the found-data window, and the user's ticks,
// with it. CDecoderLink starts tarvolin-decode in its serving mode (the same
// program tarvolin-cli runs for its previews, with the same limits on memory
// and its death with its parent), hands it one file's bytes at a time over a
// socket and reads back the picture as pixels. A decode that does not answer
// in time is ended by killing the decoder; a decoder that died is started
// again for the next file.
//
// The wire, both ways in this machine's byte order (the two ends are built
// together):
//   request  "TVNQ", u32 kind (1 thumbnail, 2 picture), i32 box width,
//            i32 box height, u32 type length, u64 byte count, type, bytes
//   answer   "TVNA", u32 decoded (0/1), u32 width, u32 height, u32 record
//            length, u64 pixel bytes, the record (JSON), the pixels
//            (32-bit ARGB, rows without padding)
#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>
#include <chrono>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "app/decoder_program.h"
#include "preview/image_info.h"

namespace tvn::preview {

class CDecoderLink {
public:
    // Thumbnails get a few seconds; a whole picture of a large raw file more.
    static constexpr std::chrono::milliseconds kThumbnailTime{15'000};
    static constexpr std::chrono::milliseconds kPictureTime{60'000};

    explicit CDecoderLink(std::string program = FindDecoderProgram());
    ~CDecoderLink();
    CDecoderLink(const CDecoderLink&) = delete;
    CDecoderLink& operator=(const CDecoderLink&) = delete;

    // A picture no larger than box (preview/thumbnail.h), or null.
    QImage Thumbnail(const QByteArray& bytes, std::string_view type, QSize box,
                     std::chrono::milliseconds limit = kThumbnailTime);
    // The whole picture as the viewer shows it, with its record
    // (preview/decode.h); null when it does not decode.
    QImage Picture(const QByteArray& bytes, std::string_view type, CImageInfo& info,
                   std::chrono::milliseconds limit = kPictureTime);

    // The same for a file (the preview copy); the record's name and size are
    // the file's.
    QImage PictureOfFile(const QString& path, std::string_view type, CImageInfo& info,
                         std::chrono::milliseconds limit = kPictureTime);

    // Calls off the question being asked and every later one, from any
    // thread: the decoder is ended and the questions answer null at once.
    void Cancel() { m_cancel.store(true); }

    // Whether there is a decoder program to run.
    bool HasProgram() const { return !m_program.empty(); }
    // How often the decoder was started, and the pid of the one running (-1
    // when none): for tests.
    int Starts() const { return m_starts; }
    pid_t Pid() const { return m_pid; }

private:
    QImage Ask(uint32_t kind, const QByteArray& bytes, std::string_view type, QSize box,
               CImageInfo* info, std::chrono::milliseconds limit);
    bool Start();
    void End();

    std::string m_program;
    std::mutex m_lock;  // one question at a time
    pid_t m_pid = -1;
    int m_socket = -1;
    int m_starts = 0;
    std::atomic<bool> m_cancel{false};
};

// An image's record as the decoder prints it and sends it to the wizard.
nlohmann::json ImageRecordJson(const CImageInfo& info);

// The decoder's side: answers questions on fd until the other end closes it.
// Returns the process's exit status.
int ServeDecodes(int fd);

}  // namespace tvn::preview
