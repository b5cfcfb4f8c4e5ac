// Where the decoder program tarvolin-decode is: the command line's previews
// and the wizard's pictures are decoded there.
#pragma once

#include <string>

namespace tvn {

// $TVN_DECODER, else beside the running program, in the build tree's
// preview/, or where the package installs it (../libexec/tarvolin,
// ../lib/tarvolin). Empty when none is found.
std::string FindDecoderProgram();

}  // namespace tvn
