#include "preview/image_sheet.h"
#include "preview/i18n.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "output/preview_copy.h"
#include "preview/decode.h"
#include "preview/wnd_image.h"

namespace tvn::preview {

bool OpenPreviewHelp() {
    // The same folders the wizard's help uses: $TVN_HELP_DIR, the installed
    // pages, else those of the source tree.
    QString dir = qEnvironmentVariable("TVN_HELP_DIR");
    if (dir.isEmpty()) {
        const QString installed = QDir(QCoreApplication::applicationDirPath())
                                      .filePath(QStringLiteral("../share/doc/tarvolin/help"));
        dir = QFileInfo::exists(installed + QStringLiteral("/tvnpreview.htm"))
                  ? installed
                  : QStringLiteral(TVN_SOURCE_DIR "/res/help");
    }
    const QString path = QDir(dir).filePath(QStringLiteral("tvnpreview.htm"));
    return QFileInfo::exists(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

CImagePreviewPage::CImagePreviewPage(const QImage& image, const std::string& copyPath,
                                     QWidget* parent)
    : QWidget(parent), m_image(new CWndImage(this)), m_stretch(new QCheckBox(Tr("Stretch"), this)) {
    m_image->setObjectName(QStringLiteral("id1022"));
    m_image->setAccessibleName(Tr("Picture"));
    m_stretch->setObjectName(QStringLiteral("id1048"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_image, 1);
    layout->addWidget(m_stretch);
    m_image->SetImage(image.isNull() ? NoPreviewImage() : image);
    m_image->SetFitMode(kFitInside);
    m_image->SetHorizontalAlign(kAlignCentre);
    connect(m_stretch, &QCheckBox::toggled, this, &CImagePreviewPage::OnStretch);
    // The picture is in memory now: the copy on disk goes.
    if (!copyPath.empty()) WipeFile(copyPath);
}

void CImagePreviewPage::OnStretch(bool on) {
    if (on) {
        m_image->SetFitMode(kFitStretch);
    } else {
        m_image->SetFitMode(kFitInside);
        m_image->SetHorizontalAlign(kAlignCentre);
    }
}

CImagePropertiesPage::CImagePropertiesPage(const CImageInfo& info, QWidget* parent)
    : QWidget(parent) {
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignLeft);
    int id = 1024;
    auto row = [&](const QString& label, const QString& value) {
        auto* v = new QLabel(value, this);
        v->setObjectName(QStringLiteral("id%1").arg(id++));
        v->setTextInteractionFlags(Qt::TextSelectableByMouse);
        v->setWordWrap(true);
        form->addRow(label, v);
    };
    auto text = [](const std::string& s) { return QString::fromStdString(s); };
    row(Tr("Name"), text(info.name));
    row(Tr("File Size"), Tr("%1 bytes").arg(info.fileSize));
    row(Tr("Width"), QString::number(info.width));
    row(Tr("Height"), QString::number(info.height));
    row(Tr("Color Model"), QString::number(info.colorModel));
    row(Tr("Components per Pixel"), QString::number(info.componentsPerPixel));
    row(Tr("Compression"), QString::number(info.compression));
    row(Tr("Compression Description"), text(info.compressionDescription));
    row(Tr("Description"), text(info.description));
    row(Tr("Format Index"), QString::number(info.formatIndex));
    row(Tr("Format Name"), text(info.formatName));
    row(Tr("Number of Images"), QString::number(info.numberOfImages));
}

CImageSheet::CImageSheet(const QImage& image, const CImageInfo& info, const std::string& copyPath,
                         QWidget* parent)
    : QDialog(parent), m_tabs(new QTabWidget(this)),
      m_preview(new CImagePreviewPage(image, copyPath, m_tabs)) {
    setWindowTitle(Tr("Image Options"));
    m_tabs->addTab(m_preview, Tr("Image Preview"));
    m_tabs->addTab(new CImagePropertiesPage(info, m_tabs), Tr("Image Properties"));
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [] { OpenPreviewHelp(); });
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, [] { OpenPreviewHelp(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(buttons);
    resize(560, 480);
}

}  // namespace tvn::preview
