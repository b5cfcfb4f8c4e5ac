#include "preview/image_rect.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tvn::preview {

namespace {

int Scaled(int size, double factor) {
    const double v = std::round(static_cast<double>(size) * factor);
    if (!(v > 0)) return 0;  // also NaN
    return v >= static_cast<double>(std::numeric_limits<int>::max())
               ? std::numeric_limits<int>::max()
               : static_cast<int>(v);
}

int Place(int align, int clientSize, int size, int previous) {
    switch (align) {
        case kAlignNear: return 0;
        case kAlignCentre: return (clientSize - size) / 2;
        case kAlignFar: return clientSize - size;
        default: return previous;
    }
}

}  // namespace

void ComputeImageRect(ImageGeometry& g, int srcW, int srcH, int clientW, int clientH) {
    if (srcW <= 0 || srcH <= 0 || clientW <= 0 || clientH <= 0) {
        g.dest = ImageRect{g.dest.x, g.dest.y, 0, 0};
        return;
    }
    const double rx = static_cast<double>(clientW) / srcW;
    const double ry = static_cast<double>(clientH) / srcH;
    int w = srcW, h = srcH;
    int mode = g.fit;
    if (mode < kFitZoom || mode > kFitClient) mode = kFitNone;
    switch (mode) {
        case kFitZoom:
            w = Scaled(srcW, g.zoomX);
            h = Scaled(srcH, g.zoomY);
            break;
        case kFitStretch:
            w = clientW;
            h = clientH;
            break;
        case kFitWidth:
        case kFitHeight:
        case kFitInside:
        case kFitFill: {
            const double s = mode == kFitWidth    ? rx
                             : mode == kFitHeight ? ry
                             : mode == kFitInside ? std::min(rx, ry)
                                                  : std::max(rx, ry);
            g.zoomX = g.zoomY = s;
            w = Scaled(srcW, s);
            h = Scaled(srcH, s);
            break;
        }
        case kFitClient:
            g.dest = ImageRect{0, 0, clientW, clientH};
            return;
        default:
            break;
    }
    g.dest.width = w;
    g.dest.height = h;
    g.dest.x = Place(g.hAlign, clientW, w, g.dest.x);
    g.dest.y = Place(g.vAlign, clientH, h, g.dest.y);
}

}  // namespace tvn::preview
