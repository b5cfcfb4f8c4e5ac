// The core's messages as message boxes: the one place that maps the core's
// icons to Qt's, and the reporter that shows the core's messages over a
// window.
#pragma once

#include <QMessageBox>
#include <string_view>

#include "app/report.h"

class QWidget;

namespace tvn::preview {

QMessageBox::Icon QtIcon(MsgIcon icon);

// Shows the core's messages as modal message boxes over parent, in the
// user's language where they are the program's own texts; everything else
// the core reports (progress, the diagnostic console) is not shown. Used on
// the GUI thread only.
class CBoxReporter : public CNullReporter {
public:
    explicit CBoxReporter(QWidget* parent) : m_parent(parent) {}
    void Message(std::string_view text, std::string_view caption, MsgIcon icon) override;

private:
    QWidget* m_parent;
};

}  // namespace tvn::preview
