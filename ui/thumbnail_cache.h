// Small pictures of found images for the found-data list. They are decoded
// from the medium by the file's sectors on one worker thread, never on the GUI
// thread, and kept up to a budget of pixel bytes (64 MiB), the ones used
// longest ago going first. Only files the list actually paints are asked
// for, so a folder of 100,000 photos costs as many decodes as rows the user
// scrolls past; switching thumbnails off drops the decodes still waiting.
#pragma once

#include <QCache>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QSize>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace tvn {
class CFileNode;
class IMedium;
}
namespace tvn::preview {
class CDecoderLink;
}

namespace tvn::ui {

// Where a found file's bytes lie: the session's medium (shared, so that a
// decode under way keeps it) and the byte range.
struct FoundFileBytes {
    std::shared_ptr<const IMedium> medium;
    uint64_t offset = 0;
    uint64_t length = 0;
};

// Reads up to length bytes at offset through the medium and has the decoder
// process make a picture no larger than box of them (preview/thumbnail.h): a
// camera raw type's embedded preview and a HEIC picture as the viewer shows
// them, a movie's first frame, anything else through Qt's image readers. Of
// a raw file larger than kLargestFile, its head is read: the previews lie
// near the start. A null image when the bytes cannot be read, do not decode,
// or the decoder fails or takes too long.
QImage DecodeThumbnail(const FoundFileBytes& where, QSize box, const std::string& type,
                       preview::CDecoderLink& decoder);

// Types whose files Qt's image readers can show.
bool IsPictureType(const std::string& type);
// Camera raw types, shown by their embedded preview.
bool IsRawType(const std::string& type);
// Types the viewer decodes itself, and their thumbnails with it: the camera
// raw types (LibRaw, else the largest embedded JPEG) and HEIC (libheif).
bool IsViewerDecodedType(const std::string& type);

class CThumbnailCache : public QObject {
    Q_OBJECT
public:
    // Files above this many bytes get no thumbnail; of movies and raw files
    // this much of the head is read.
    static constexpr uint64_t kLargestFile = 30ULL * 1024 * 1024;

    // The finished pictures are kept up to this many bytes of pixels; the
    // ones used longest ago go first.
    static constexpr qsizetype kDefaultPixelBytes = 64 * 1024 * 1024;

    explicit CThumbnailCache(QSize box, QObject* parent = nullptr, qsizetype pixelBytes = kDefaultPixelBytes);
    ~CThumbnailCache() override;

    QSize Box() const { return m_box; }
    // The finished picture of node, or null; the first ask for a picture type
    // starts its decode.
    QPixmap Get(const CFileNode& node, const FoundFileBytes& where);
    // Forgets every picture and drops decodes still waiting; ones already
    // running finish and are thrown away.
    void Clear();
    // Drops the decodes still waiting (thumbnails switched off) and keeps
    // the finished pictures.
    void CancelPending();
    // Bytes of pixels the finished pictures hold, and how many decodes wait.
    qsizetype PixelBytes() const { return m_done.totalCost(); }
    int Pending() const { return static_cast<int>(m_pending.size()); }
    // Waits for the worker to finish (before the catalogue goes away).
    void Stop();

Q_SIGNALS:
    void ready(const tvn::CFileNode* node);

private:
    void Deliver(quint64 generation, const CFileNode* node, const QImage& image);

    QSize m_box;
    QThreadPool m_pool;
    QCache<const CFileNode*, QPixmap> m_done;
    QSet<const CFileNode*> m_pending;
    quint64 m_generation = 0;
    std::shared_ptr<std::atomic<quint64>> m_current;
    // The decoder process the worker hands the bytes to; ended with the cache.
    std::unique_ptr<preview::CDecoderLink> m_decoder;
};

}  // namespace tvn::ui
