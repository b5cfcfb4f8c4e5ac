// Small pictures of found images for the found-data list. They are decoded
// from the medium by the file's sectors on one worker thread, never on the GUI
// thread, and kept until the catalogue is shown anew. Only files the list
// actually paints are asked for, so a folder of 100,000 photos costs as many
// decodes as rows the user scrolls past.
#pragma once

#include <QHash>
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

namespace tvn::ui {

// Where a found file's bytes lie: the session's medium (shared, so that a
// decode under way keeps it) and the byte range.
struct FoundFileBytes {
    std::shared_ptr<const IMedium> medium;
    uint64_t offset = 0;
    uint64_t length = 0;
};

// Reads up to length bytes at offset through the medium and decodes a picture no larger than box. A null image when the
// bytes cannot be read or are no picture Qt can decode.
QImage DecodeThumbnail(const FoundFileBytes& where, QSize box);

// Types whose files Qt's image readers can show.
bool IsPictureType(const std::string& type);

class CThumbnailCache : public QObject {
    Q_OBJECT
public:
    // Files above this many bytes get no thumbnail.
    static constexpr uint64_t kLargestFile = 30ULL * 1024 * 1024;

    explicit CThumbnailCache(QSize box, QObject* parent = nullptr);
    ~CThumbnailCache() override;

    QSize Box() const { return m_box; }
    // The finished picture of node, or null; the first ask for a picture type
    // starts its decode.
    QPixmap Get(const CFileNode& node, const FoundFileBytes& where);
    // Forgets every picture and drops decodes still waiting; ones already
    // running finish and are thrown away.
    void Clear();
    // Waits for the worker to finish (before the catalogue goes away).
    void Stop();

Q_SIGNALS:
    void ready(const tvn::CFileNode* node);

private:
    void Deliver(quint64 generation, const CFileNode* node, const QImage& image);

    QSize m_box;
    QThreadPool m_pool;
    QHash<const CFileNode*, QPixmap> m_done;
    QSet<const CFileNode*> m_pending;
    quint64 m_generation = 0;
    std::shared_ptr<std::atomic<quint64>> m_current;
};

}  // namespace tvn::ui
