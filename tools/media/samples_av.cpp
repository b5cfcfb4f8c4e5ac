#include "tools/media/samples.h"

namespace tvn::media {

void AppendAvSamples(std::vector<SampleFile>&) {}

}  // namespace tvn::media
