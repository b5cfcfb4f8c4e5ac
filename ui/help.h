// Help: one HTML page per dialog, opened in the desktop's browser.
#pragma once

#include <QString>

namespace tvn::ui {

// The folder holding the help pages: $TVN_HELP_DIR when set, else the
// installed share/doc/tarvolin/help beside the executable's prefix, else the
// pages of the source tree the program was built from.
QString HelpDir();
// Opens one topic ("tvnselectphysicaldisk.htm"); false when it is missing or
// no browser took it.
bool OpenHelpTopic(const QString& topic);

}  // namespace tvn::ui
