#include "tools/media/samples.h"

namespace tvn::media {

void AppendPhotoSamples(std::vector<SampleFile>&) {}

}  // namespace tvn::media
