#include "ui/animations.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>

namespace tvn::ui {

namespace {
constexpr int kFrameMs = 70;

const QColor kCard(52, 73, 110);
const QColor kCardEdge(30, 44, 70);
const QColor kSector(86, 110, 150);
const QColor kFound(250, 190, 60);
const QColor kAccent(45, 45, 255);

// A memory card outline with its cut corner, inside r.
QPainterPath CardPath(const QRectF& r) {
    QPainterPath path;
    const double cut = r.width() * 0.22;
    path.moveTo(r.left() + cut, r.top());
    path.lineTo(r.right(), r.top());
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.lineTo(r.left(), r.top() + cut);
    path.closeSubpath();
    return path;
}

void PaintCard(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kCardEdge, 1.5));
    p.setBrush(kCard);
    p.drawPath(CardPath(r));
    // The contacts.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 190, 90));
    const double w = r.width() / 9.0;
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(r.left() + r.width() * 0.3 + i * w * 1.5, r.top() + 3, w, r.height() * 0.18));
}

void PaintFolder(QPainter& p, const QRectF& r, bool zip) {
    p.setPen(QPen(QColor(160, 120, 20), 1.5));
    p.setBrush(zip ? QColor(200, 160, 90) : QColor(245, 200, 80));
    QPainterPath tab;
    tab.addRoundedRect(QRectF(r.left(), r.top(), r.width() * 0.45, r.height() * 0.3), 3, 3);
    p.drawPath(tab);
    p.drawRoundedRect(QRectF(r.left(), r.top() + r.height() * 0.15, r.width(), r.height() * 0.85), 4, 4);
    if (zip) {
        // The zipper down the middle of the archive.
        p.setPen(QPen(QColor(90, 70, 30), 2));
        const double x = r.center().x();
        for (double y = r.top() + r.height() * 0.25; y < r.bottom() - 4; y += 5)
            p.drawLine(QPointF(x - 3, y), QPointF(x + 3, y));
    }
}

void PaintSheet(QPainter& p, const QPointF& at, double size, double opacity) {
    p.save();
    p.setOpacity(opacity);
    p.setPen(QPen(QColor(120, 120, 140), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(at.x(), at.y(), size * 0.75, size));
    p.setPen(QPen(kFound, 2));
    p.drawLine(QPointF(at.x() + 3, at.y() + size * 0.35), QPointF(at.x() + size * 0.75 - 3, at.y() + size * 0.35));
    p.setPen(QPen(QColor(170, 170, 190), 1));
    p.drawLine(QPointF(at.x() + 3, at.y() + size * 0.6), QPointF(at.x() + size * 0.75 - 3, at.y() + size * 0.6));
    p.restore();
}
}  // namespace

CJobAnimation::CJobAnimation(QWidget* parent) : QWidget(parent) {
    m_timer.setInterval(kFrameMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_frame = (m_frame + 1) % kFrames;
        update();
    });
}

void CJobAnimation::SetKind(Kind kind) {
    m_kind = kind;
    update();
}

void CJobAnimation::Play() {
    m_frame = 0;
    m_timer.start();
    update();
}

void CJobAnimation::Stop() { m_timer.stop(); }

void CJobAnimation::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double t = static_cast<double>(m_frame) / kFrames;
    switch (m_kind) {
        case Kind::Scan: PaintScan(p, t); break;
        case Kind::Save: PaintTransfer(p, t, false); break;
        case Kind::Compress: PaintTransfer(p, t, true); break;
        case Kind::Burn: PaintBurn(p, t, false); break;
        case Kind::BurnCompressed: PaintBurn(p, t, true); break;
    }
}

// A card whose sectors a magnifier passes over, row by row; the sectors it
// has passed light up where a file begins.
void CJobAnimation::PaintScan(QPainter& p, double t) {
    const QRectF area = QRectF(rect()).adjusted(4, 4, -4, -4);
    const double h = area.height();
    const QRectF card(area.left(), area.top(), h * 0.8, h);
    PaintCard(p, card);

    const int cols = 16, rows = 3;
    const double gridLeft = card.right() + 14;
    const double cell = std::min((area.right() - gridLeft - 4) / cols, h / (rows + 0.6));
    const double gridTop = area.top() + (h - rows * cell) / 2;
    const int cells = cols * rows;
    const int reached = static_cast<int>(t * cells);
    for (int i = 0; i < cells; ++i) {
        const int r = i / cols, c = i % cols;
        const QRectF box(gridLeft + c * cell + 1, gridTop + r * cell + 1, cell - 2, cell - 2);
        const bool found = i < reached && (i * 7 % 11 == 3 || i * 5 % 13 == 1);
        p.setPen(Qt::NoPen);
        p.setBrush(i < reached ? (found ? kFound : QColor(150, 170, 205)) : kSector);
        p.drawRoundedRect(box, 2, 2);
    }
    // The magnifier over the sector being read.
    const int r = std::min(reached, cells - 1) / cols, c = std::min(reached, cells - 1) % cols;
    const QPointF centre(gridLeft + (c + 0.5) * cell, gridTop + (r + 0.5) * cell);
    const double radius = cell * 0.9;
    p.setPen(QPen(QColor(40, 40, 40), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(radius * 0.7, radius * 0.7), centre + QPointF(radius * 1.6, radius * 1.6));
    p.setBrush(QColor(255, 255, 255, 90));
    p.setPen(QPen(kAccent, 2.5));
    p.drawEllipse(centre, radius, radius);
}

// Sheets fly from the card into a folder (or an archive).
void CJobAnimation::PaintTransfer(QPainter& p, double t, bool zip) {
    const QRectF area = QRectF(rect()).adjusted(4, 4, -4, -4);
    const double h = area.height();
    const QRectF card(area.left(), area.top(), h * 0.8, h);
    PaintCard(p, card);
    const QRectF folder(area.right() - h * 1.2, area.top() + h * 0.1, h * 1.2, h * 0.9);
    const double from = card.right() + 4, to = folder.left() + h * 0.2;
    for (int i = 0; i < 3; ++i) {
        const double u = std::fmod(t + i / 3.0, 1.0);
        const double x = from + (to - from) * u;
        const double y = area.top() + h * 0.25 - std::sin(u * std::numbers::pi) * h * 0.2;
        PaintSheet(p, QPointF(x, y), h * 0.45, u < 0.85 ? 1.0 : (1.0 - u) / 0.15);
    }
    PaintFolder(p, folder, zip);
}

// A disc turns while the light of the laser moves out over it.
void CJobAnimation::PaintBurn(QPainter& p, double t, bool zip) {
    const QRectF area = QRectF(rect()).adjusted(4, 4, -4, -4);
    const double h = area.height();
    const QRectF folder(area.left(), area.top() + h * 0.15, h * 0.9, h * 0.75);
    PaintFolder(p, folder, zip);
    const QPointF centre(area.right() - h * 0.55, area.center().y());
    const double radius = h * 0.5;
    QConicalGradient shine(centre, -360.0 * t);
    shine.setColorAt(0.0, QColor(210, 220, 235));
    shine.setColorAt(0.25, QColor(240, 200, 240));
    shine.setColorAt(0.5, QColor(200, 235, 220));
    shine.setColorAt(0.75, QColor(235, 230, 190));
    shine.setColorAt(1.0, QColor(210, 220, 235));
    p.setPen(QPen(QColor(120, 120, 140), 1));
    p.setBrush(shine);
    p.drawEllipse(centre, radius, radius);
    // The burnt part grows outwards.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(110, 60, 140, 160), radius * 0.5 * t));
    const double burnt = radius * 0.3 + radius * 0.25 * t;
    p.drawEllipse(centre, burnt, burnt);
    p.setPen(QPen(QColor(120, 120, 140), 1));
    p.setBrush(Qt::white);
    p.drawEllipse(centre, radius * 0.16, radius * 0.16);
    // The files go from the folder to the disc.
    const double u = std::fmod(t * 2, 1.0);
    PaintSheet(p, QPointF(folder.right() + (centre.x() - radius - folder.right()) * u, area.top() + h * 0.2),
               h * 0.38, u < 0.85 ? 1.0 : (1.0 - u) / 0.15);
}

CTypeIcon::CTypeIcon(const QString& typeName, QWidget* parent) : QWidget(parent), m_type(typeName) {
    setFixedSize(32, 32);
    m_timer.setInterval(90);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_frame = (m_frame + 1) % 40;
        update();
    });
    setAccessibleName(typeName);
}

void CTypeIcon::Play() {
    m_frame = 0;
    m_timer.start();
}

void CTypeIcon::Stop() { m_timer.stop(); }

QColor CTypeIcon::TypeColor(const QString& t) {
    static const QStringList raw{"TIF", "TIFF", "CRW", "CR2", "SRF", "SR2", "MRW", "ORF", "NEF"};
    static const QStringList music{"MP3", "MID", "WAV"};
    static const QStringList video{"MP4", "MPG", "MOV", "AVI"};
    if (raw.contains(t)) return {200, 90, 40};
    if (music.contains(t)) return {40, 140, 90};
    if (video.contains(t)) return {140, 60, 170};
    return {40, 110, 200};
}

void CTypeIcon::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colour = TypeColor(m_type);
    // The sheet with its folded corner.
    QPainterPath sheet;
    sheet.moveTo(5, 1.5);
    sheet.lineTo(21, 1.5);
    sheet.lineTo(27.5, 8);
    sheet.lineTo(27.5, 30.5);
    sheet.lineTo(5, 30.5);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(130, 130, 150), 1));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.setBrush(QColor(225, 225, 235));
    p.drawPolygon(QPolygonF({QPointF(21, 1.5), QPointF(21, 8), QPointF(27.5, 8)}));
    // The band with the type's name.
    const QRectF band(1, 14, 27, 11);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(band, 2, 2);
    // A light runs over the band, then rests.
    if (m_frame < 16) {
        const double x = band.left() - 8 + (band.width() + 16) * m_frame / 15.0;
        QLinearGradient light(x - 6, 0, x + 6, 0);
        light.setColorAt(0, QColor(255, 255, 255, 0));
        light.setColorAt(0.5, QColor(255, 255, 255, 150));
        light.setColorAt(1, QColor(255, 255, 255, 0));
        p.setBrush(light);
        p.drawRoundedRect(band, 2, 2);
    }
    QFont f = font();
    f.setPixelSize(8);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(band, Qt::AlignCenter, m_type.left(4));
}

}  // namespace tvn::ui
