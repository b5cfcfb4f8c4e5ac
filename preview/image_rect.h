// Where the image control draws its picture: a pure function from the
// source size, the control's client size, the fit mode, the alignments and
// the zoom factors to a destination rectangle. No toolkit is needed, so the
// rules can be tested on their own.
#pragma once

namespace tvn::preview {

// Fit modes of the image control.
enum FitMode : int {
    kFitZoom = 1,        // source size x the zoom factors
    kFitNone = 2,        // one image pixel per screen pixel
    kFitStretch = 3,     // the client size, proportions not kept
    kFitWidth = 4,       // scaled by client width / source width
    kFitHeight = 5,      // scaled by client height / source height
    kFitInside = 6,      // the smaller ratio: the whole image visible
    kFitFill = 7,        // the larger ratio: the control filled
    kFitClient = 8,      // the whole client rectangle, alignment ignored
};

// Alignments (horizontal and vertical alike); other values leave the offset
// where it was.
enum Align : int { kAlignNear = 2, kAlignCentre = 3, kAlignFar = 4 };

struct ImageRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ImageRect&) const = default;
};

struct ImageGeometry {
    int fit = kFitNone;
    int hAlign = 0;
    int vAlign = 0;
    double zoomX = 1.0;
    double zoomY = 1.0;
    ImageRect dest;  // the last destination; its offset stays for alignment 0 and 1
};

// Works out geometry.dest for a source of srcW x srcH in a client of
// clientW x clientH. Modes 4 to 7 store their scale as both zoom factors; a
// mode outside 1 to 8 counts as 2. An empty source or client gives an empty
// destination.
void ComputeImageRect(ImageGeometry& geometry, int srcW, int srcH, int clientW, int clientH);

}  // namespace tvn::preview
