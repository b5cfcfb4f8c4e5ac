#include "preview/preview_dialog.h"
#include "preview/i18n.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QVBoxLayout>

#include "preview/audio_player.h"
#include "preview/decode.h"
#include "preview/image_sheet.h"
#include "preview/media_player.h"
#include "preview/message_boxes.h"

namespace tvn::preview {

namespace {

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Collects the worker's messages; the dialog shows them once it is joined.
class CCollectingReporter : public tvn::CNullReporter {
public:
    explicit CCollectingReporter(std::vector<std::pair<std::string, std::string>>& out) : m_out(out) {}
    void Message(std::string_view text, std::string_view caption, tvn::MsgIcon) override {
        m_out.emplace_back(std::string(text), std::string(caption));
    }

private:
    std::vector<std::pair<std::string, std::string>>& m_out;
};

}  // namespace

CGeneratePreviewDlg::CGeneratePreviewDlg(tvn::CSession& session, tvn::CFileNode& node,
                                         QWidget* parent)
    : QDialog(parent), m_session(session), m_node(node),
      m_type(node.GetParent() != nullptr ? node.GetParent()->GetName() : std::string()),
      m_text(new QLabel(Q(tvn::kLoadingImage), this)) {
    setWindowTitle(Tr("Loading Image..."));
    m_text->setObjectName(QStringLiteral("idLoadingText"));
    auto* busy = new QProgressBar(this);  // the animation: a bar that keeps moving
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    busy->setObjectName(QStringLiteral("idAnimation"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(busy);
    resize(280, 90);  // more when the texts need it
}

CGeneratePreviewDlg::~CGeneratePreviewDlg() {
    StopWorker();
    if (!m_result.copy.path.empty()) WipeFile(m_result.copy.path);
}

bool CGeneratePreviewDlg::Prepare() {
    CBoxReporter boxes(parentWidget());
    if (!m_session.UseCurrentSource(m_session.selectedDrive, boxes, tvn::kDisconnectedRestart))
        return false;
    return tvn::EnsurePreviewDir(m_session, boxes) != nullptr;
}

void CGeneratePreviewDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_thread.joinable()) StartWorker();
}

void CGeneratePreviewDlg::StartWorker() {
    if (m_thread.joinable()) return;
    m_stop = false;
    m_thread = std::thread([this] { Work(); });
}

void CGeneratePreviewDlg::Work() {
    PreviewResult r;
    CCollectingReporter reporter(r.messages);
    r.copy = tvn::ExtractPreviewCopy(m_session, m_node, reporter, &m_stop);
    if (!m_stop && tvn::ViewerForType(m_type) == tvn::PreviewViewer::Image) {
        r.info.name = m_node.GetName();
        if (!r.copy.path.empty()) {
            // Decoded by the decoder process: a library that fails on the
            // file takes only that process with it.
            r.image = m_decoder.PictureOfFile(QString::fromStdString(r.copy.path), m_type, r.info);
            r.info.name = m_node.GetName();
        }
    }
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_result = std::move(r);
    }
    QMetaObject::invokeMethod(this, "OnWorkerDone", Qt::QueuedConnection);
}

void CGeneratePreviewDlg::OnWorkerDone() {
    if (!m_thread.joinable()) return;  // closed meanwhile
    m_thread.join();
    for (const auto& [text, caption] : m_result.messages) {
        QMessageBox box(QMessageBox::NoIcon, TrKnown(Q(caption)), TrKnown(Q(text)), QMessageBox::Ok, this);
        box.exec();
    }
    accept();
}

void CGeneratePreviewDlg::StopWorker() {
    if (!m_thread.joinable()) return;
    m_stop = true;
    m_decoder.Cancel();
    m_thread.join();
}

void CGeneratePreviewDlg::reject() {
    // Closed before the copy was done: the worker is stopped and joined, and
    // whatever it wrote is wiped.
    StopWorker();
    if (!m_result.copy.path.empty()) WipeFile(m_result.copy.path);
    m_result = PreviewResult{};
    QDialog::reject();
}

PreviewResult CGeneratePreviewDlg::TakeResult() {
    std::lock_guard<std::mutex> hold(m_lock);
    PreviewResult r = std::move(m_result);
    m_result = PreviewResult{};
    return r;
}

void OpenPreview(QWidget* parent, tvn::CSession& session, tvn::CFileNode& node) {
    CGeneratePreviewDlg loading(session, node, parent);
    if (!loading.Prepare()) return;
    if (loading.exec() != QDialog::Accepted) return;
    PreviewResult r = loading.TakeResult();
    const QString name = QString::fromStdString(node.GetName());
    switch (tvn::ViewerForType(loading.Type())) {
        case tvn::PreviewViewer::Image: {
            CImageSheet sheet(r.image, r.info, r.copy.path, parent);
            sheet.exec();
            break;
        }
        case tvn::PreviewViewer::Media: {
            if (r.copy.path.empty()) break;
            CMediaPlayer player(r.copy.path, name, parent);
            player.exec();
            break;
        }
        case tvn::PreviewViewer::Avi: {
            if (r.copy.path.empty()) break;
            CAVIPlayer player(r.copy.path, name, parent);
            player.exec();
            break;
        }
        case tvn::PreviewViewer::Midi: {
            if (r.copy.path.empty()) break;
            CAudioPlayer player(r.copy.path, name, parent);
            player.exec();
            break;
        }
        case tvn::PreviewViewer::None:
            if (!r.copy.path.empty()) WipeFile(r.copy.path);
            break;
    }
}

}  // namespace tvn::preview
