// Help: one HTML page per dialog, opened in the desktop's browser.
#pragma once

#include <QString>

class QWidget;

namespace tvn::ui {

// The folder holding the help pages: $TVN_HELP_DIR when set, else the
// installed share/doc/tarvolin/help beside the executable's prefix, else the
// pages of the source tree the program was built from.
QString HelpDir();
// Opens one topic ("tvnselectphysicaldisk.htm"); false when it is missing or
// no browser took it.
bool OpenHelpTopic(const QString& topic);
// What F1 and the help buttons do: the topic, else the welcome page, else a
// message over parent saying where the pages are, so a desktop without a
// browser for local pages does not leave F1 doing nothing.
void ShowHelp(QWidget* parent, const QString& topic);
// The text of that message.
QString HelpNotOpenedText();

}  // namespace tvn::ui
