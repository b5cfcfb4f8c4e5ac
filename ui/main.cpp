// tarvolin: the desktop wizard.
#include "ui/startup.h"

int main(int argc, char** argv) { return tvn::ui::RunDesktopProgram(argc, argv); }
