#include "output/extract.h"

namespace tvn {

void SaveFileNode(CSession&, CFileNode&, const std::string&, IReporter&) {}

}  // namespace tvn
