#include "ui/thumbnail_cache.h"

#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>
#include <QMetaObject>

#include <algorithm>
#include <cerrno>
#include <iterator>

#include "catalog/directory_tree.h"
#include "preview/decoder_link.h"
#include "preview/movie_frame.h"
#include "preview/thumbnail.h"
#include "disk/medium.h"
#include "ui/handover.h"

namespace tvn::ui {

bool IsPictureType(const std::string& type) {
    return type == "JPG" || type == "PNG" || type == "BMP" || type == "GIF" || type == "TIF";
}

bool IsRawType(const std::string& type) { return preview::IsRawType(type); }

bool IsViewerDecodedType(const std::string& type) { return IsRawType(type) || type == "HEIC"; }

namespace {

// Types whose picture lies near the start of a file of any size: a movie's
// first frame, a raw file's previews.
bool ShownFromTheHead(const std::string& type) { return preview::HasMovieFrames(type) || IsRawType(type); }

}  // namespace

QImage DecodeThumbnail(const FoundFileBytes& where, QSize box, const std::string& type,
                       preview::CDecoderLink& decoder) {
    if (!where.medium || where.length == 0 ||
        (where.length > CThumbnailCache::kLargestFile && !ShownFromTheHead(type)))
        return {};
    // A movie's first frame lies near its start, or where its index says, and
    // a raw file's previews near its start; no more than the largest picture
    // file is read for them.
    const uint64_t length = std::min<uint64_t>(where.length, CThumbnailCache::kLargestFile);
    QByteArray bytes(static_cast<qsizetype>(length), Qt::Uninitialized);
    const ssize_t got = where.medium->ReadAt(bytes.data(), length, where.offset);
    if (got <= 0) return {};
    bytes.truncate(static_cast<qsizetype>(got));
    // Decoded by the decoder process, never in this one.
    return decoder.Thumbnail(bytes, type.empty() ? std::string_view("JPG") : std::string_view(type), box);
}

CThumbnailCache::CThumbnailCache(QSize box, QObject* parent, qsizetype pixelBytes)
    : QObject(parent),
      m_box(box),
      m_done(pixelBytes),
      m_current(std::make_shared<std::atomic<quint64>>(0)),
      m_decoder(std::make_unique<preview::CDecoderLink>()) {
    // One decoder at a time: the GUI thread keeps the other core.
    m_pool.setMaxThreadCount(1);
}

CThumbnailCache::~CThumbnailCache() { Stop(); }

QPixmap CThumbnailCache::Get(const CFileNode& node, const FoundFileBytes& where) {
    if (const QPixmap* done = m_done.object(&node)) return *done;
    if (m_pending.contains(&node)) return {};
    const CFolderNode* folder = node.GetParent();
    const std::string type = folder != nullptr ? folder->GetName() : std::string();
    const bool movie = preview::HasMovieFrames(type);
    if (folder == nullptr || !(IsPictureType(type) || IsViewerDecodedType(type) || movie) ||
        where.length == 0 || (where.length > kLargestFile && !ShownFromTheHead(type))) {
        m_done.insert(&node, new QPixmap(), 1);  // asked once, never decoded
        return {};
    }
    m_pending.insert(&node);
    const quint64 generation = m_generation;
    const QSize box = m_box;
    auto current = m_current;
    const CFileNode* key = &node;
    m_pool.start(HandedWork([this, where, box, generation, current, key, type] {
        // A decode asked for before the last Clear is not worth doing.
        if (current->load() != generation) return;
        const QImage image = DecodeThumbnail(where, box, type, *m_decoder);
        PostTo(this, [this, generation, key, image] { Deliver(generation, key, image); });
    }));
    return {};
}

void CThumbnailCache::Deliver(quint64 generation, const CFileNode* node, const QImage& image) {
    if (generation != m_generation) return;
    m_pending.remove(node);
    auto* pixmap = new QPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
    const qsizetype bytes = image.isNull() ? 1 : std::max<qsizetype>(1, image.sizeInBytes());
    m_done.insert(node, pixmap, bytes);
    Q_EMIT ready(node);
}

void CThumbnailCache::Clear() {
    m_pool.clear();
    ++m_generation;
    m_current->store(m_generation);
    m_done.clear();
    m_pending.clear();
}

void CThumbnailCache::CancelPending() {
    m_pool.clear();
    // A decode already running is thrown away when it is done.
    ++m_generation;
    m_current->store(m_generation);
    m_pending.clear();
}

void CThumbnailCache::Stop() {
    Clear();
    m_pool.waitForDone();
}

}  // namespace tvn::ui
