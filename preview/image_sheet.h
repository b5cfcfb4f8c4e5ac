// The image viewer, "Image Options": the "Image Preview" page shows the
// decoded picture (fitted into the window, or stretched to it) and the
// "Image Properties" page what the decoder reported about the file.
#pragma once

#include <QDialog>
#include <QImage>
#include <string>

#include "preview/image_info.h"

class QCheckBox;
class QTabWidget;

namespace tvn::preview {

class CWndImage;

class CImagePreviewPage : public QWidget {
    Q_OBJECT
public:
    // copyPath: the preview copy, wiped and deleted as the page starts.
    CImagePreviewPage(const QImage& image, const std::string& copyPath, QWidget* parent = nullptr);
    CWndImage* ImageControl() const { return m_image; }

private:
    void OnStretch(bool on);

    CWndImage* m_image;
    QCheckBox* m_stretch;
};

class CImagePropertiesPage : public QWidget {
    Q_OBJECT
public:
    explicit CImagePropertiesPage(const CImageInfo& info, QWidget* parent = nullptr);
};

class CImageSheet : public QDialog {
    Q_OBJECT
public:
    // A null image shows the "no preview" picture.
    CImageSheet(const QImage& image, const CImageInfo& info, const std::string& copyPath,
                QWidget* parent = nullptr);
    CImagePreviewPage* PreviewPage() const { return m_preview; }
    QTabWidget* Tabs() const { return m_tabs; }

private:
    QTabWidget* m_tabs;
    CImagePreviewPage* m_preview;
};

// Opens a help topic of the program's help ("tvnpreview.htm") in the browser.
bool OpenPreviewHelp();

}  // namespace tvn::preview
