// The preview of one found file: a small "Loading Image..." dialog copies the
// file out of the medium on a worker (and decodes it when it is an image),
// then the image viewer or a player opens by the file's type.
#pragma once

#include <QDialog>
#include <QImage>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "app/report.h"
#include "app/session.h"
#include "catalog/directory_tree.h"
#include "output/preview_copy.h"
#include "preview/decoder_link.h"
#include "preview/image_info.h"

class QLabel;

namespace tvn::preview {

// Opens the preview of node: the "Loading Image..." dialog, then the viewer
// or player of its type. Returns when the last of them has closed.
void OpenPreview(QWidget* parent, tvn::CSession& session, tvn::CFileNode& node);

// What the worker hands the dialog.
struct PreviewResult {
    PreviewCopy copy;
    QImage image;  // images only; null when decoding failed
    CImageInfo info;
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
};

class CGeneratePreviewDlg : public QDialog {
    Q_OBJECT
public:
    CGeneratePreviewDlg(tvn::CSession& session, tvn::CFileNode& node, QWidget* parent = nullptr);
    ~CGeneratePreviewDlg() override;

    // Reopens the medium and makes the private folder, with the messages for
    // a medium that is gone; false when there is nothing to preview.
    bool Prepare();
    // Starts the worker (exec does it when the dialog shows).
    void StartWorker();
    bool WorkerRunning() const { return m_thread.joinable(); }
    // The worker's result, once the dialog was accepted.
    PreviewResult TakeResult();
    std::string Type() const { return m_type; }

    // Closing before the worker is done stops and joins it and wipes the copy.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Q_INVOKABLE void OnWorkerDone();
    void Work();
    void StopWorker();

    tvn::CSession& m_session;
    tvn::CFileNode& m_node;
    std::string m_type;
    QLabel* m_text;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    // The decoder process the worker has the picture decoded by; closing
    // the window calls a decode under way off instead of waiting for it.
    CDecoderLink m_decoder;
    std::mutex m_lock;
    PreviewResult m_result;  // written by the worker, read after it is joined
};

}  // namespace tvn::preview
