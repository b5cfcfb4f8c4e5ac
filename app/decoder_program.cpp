#include "app/decoder_program.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace tvn {

std::string FindDecoderProgram() {
    if (const char* env = std::getenv("TVN_DECODER"); env != nullptr && *env != '\0') return env;
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string dir = ec ? std::string(".") : self.parent_path().string();
    for (const std::string& candidate :
         {dir + "/tarvolin-decode", dir + "/../preview/tarvolin-decode",
          dir + "/../libexec/tarvolin/tarvolin-decode", dir + "/../lib/tarvolin/tarvolin-decode"}) {
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

}  // namespace tvn
