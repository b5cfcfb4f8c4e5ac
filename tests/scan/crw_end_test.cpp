// The end of a CRW whose root heap begins with a heap of its own: that heap's
// table ends where a root table could, and the file goes on to the root's.
#include <gtest/gtest.h>

#include "scan/exact/walks.h"
#include "tools/media/photo_writers.h"

namespace tvn {
namespace {

TEST(CrwEnd, AHeapAtTheRootsStartIsNotTheEnd) {
    media::RawOptions o;
    o.width = 64;
    o.height = 48;
    o.propertiesFirst = true;
    const media::Bytes crw = media::MakeCrw(o);
    for (const media::Bytes& tail : {media::Bytes(5000, 0), media::Bytes(5000, 0x5A)}) {
        media::Bytes bytes = crw;
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        for (size_t stretch : {size_t{61}, size_t{4096}}) {
            CMemoryByteSource src(bytes, stretch);
            const WalkResult r = WalkCrw(src);
            ASSERT_TRUE(r.measured);
            EXPECT_EQ(r.length, crw.size()) << "stretch " << stretch;
        }
    }
    // The usual layout (the image first) is unchanged.
    o.propertiesFirst = false;
    const media::Bytes usual = media::MakeCrw(o);
    CMemoryByteSource src(usual);
    EXPECT_EQ(WalkCrw(src).length, usual.size());
}

}  // namespace
}  // namespace tvn
