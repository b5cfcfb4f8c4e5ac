#include "ui/thumbnail_cache.h"

#include <fcntl.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QMetaObject>

#include <cerrno>

#include "catalog/directory_tree.h"
#include "disk/medium.h"
#include "ui/handover.h"

namespace tvn::ui {

bool IsPictureType(const std::string& type) {
    return type == "JPG" || type == "PNG" || type == "BMP" || type == "GIF" || type == "TIF";
}

QImage DecodeThumbnail(const FoundFileBytes& where, QSize box) {
    if (!where.medium || where.length == 0 || where.length > CThumbnailCache::kLargestFile)
        return {};
    QByteArray bytes(static_cast<qsizetype>(where.length), Qt::Uninitialized);
    const ssize_t got = where.medium->ReadAt(bytes.data(), where.length, where.offset);
    if (got <= 0) return {};
    bytes.truncate(static_cast<qsizetype>(got));

    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid() && (full.width() > box.width() || full.height() > box.height())) {
        // Readers that can (JPEG) decode straight at the small size.
        reader.setScaledSize(full.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    }
    QImage image = reader.read();
    if (image.isNull()) return {};
    if (image.width() > box.width() || image.height() > box.height()) {
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return image;
}

CThumbnailCache::CThumbnailCache(QSize box, QObject* parent)
    : QObject(parent), m_box(box), m_current(std::make_shared<std::atomic<quint64>>(0)) {
    // One decoder at a time: the GUI thread keeps the other core.
    m_pool.setMaxThreadCount(1);
}

CThumbnailCache::~CThumbnailCache() { Stop(); }

QPixmap CThumbnailCache::Get(const CFileNode& node, const FoundFileBytes& where) {
    const auto done = m_done.constFind(&node);
    if (done != m_done.constEnd()) return *done;
    if (m_pending.contains(&node)) return {};
    const CFolderNode* folder = node.GetParent();
    if (folder == nullptr || !IsPictureType(folder->GetName()) || where.length == 0 ||
        where.length > kLargestFile) {
        m_done.insert(&node, QPixmap());  // asked once, never decoded
        return {};
    }
    m_pending.insert(&node);
    const quint64 generation = m_generation;
    const QSize box = m_box;
    auto current = m_current;
    const CFileNode* key = &node;
    m_pool.start(HandedWork([this, where, box, generation, current, key] {
        // A decode asked for before the last Clear is not worth doing.
        if (current->load() != generation) return;
        const QImage image = DecodeThumbnail(where, box);
        PostTo(this, [this, generation, key, image] { Deliver(generation, key, image); });
    }));
    return {};
}

void CThumbnailCache::Deliver(quint64 generation, const CFileNode* node, const QImage& image) {
    if (generation != m_generation) return;
    m_pending.remove(node);
    m_done.insert(node, image.isNull() ? QPixmap() : QPixmap::fromImage(image));
    Q_EMIT ready(node);
}

void CThumbnailCache::Clear() {
    m_pool.clear();
    ++m_generation;
    m_current->store(m_generation);
    m_done.clear();
    m_pending.clear();
}

void CThumbnailCache::Stop() {
    Clear();
    m_pool.waitForDone();
}

}  // namespace tvn::ui
