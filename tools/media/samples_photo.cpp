#include "tools/media/photo_writers.h"
#include "tools/media/samples.h"

namespace tvn::media {

namespace {

Bytes Jpeg(JpegApp app, uint32_t w, uint32_t h, uint32_t detail, uint32_t seed,
           const char* make = "", const char* model = "", const char* date = "") {
    JpegOptions o;
    o.app = app;
    o.width = w;
    o.height = h;
    o.detail = detail;
    o.seed = seed;
    if (app == JpegApp::Exif) {
        o.make = make;
        o.model = model;
        o.dateTime = date;
    }
    return MakeJpeg(o);
}

RawOptions Raw(uint32_t w, uint32_t h, uint32_t seed, uint32_t strips = 1) {
    RawOptions o;
    o.width = w;
    o.height = h;
    o.seed = seed;
    o.strips = strips;
    return o;
}

}  // namespace

void AppendPhotoSamples(std::vector<SampleFile>& out) {
    out.push_back({"JPG", "DSC_0001.JPG",
                   Jpeg(JpegApp::Exif, 1024, 680, 6, 11, "NIKON CORPORATION", "NIKON D70",
                        "2008:06:14 10:21:33")});
    out.push_back({"JPG", "IMG_0002.JPG",
                   Jpeg(JpegApp::Exif, 640, 480, 5, 12, "Canon", "Canon PowerShot A520",
                        "2008:06:14 10:25:02")});
    out.push_back({"JPG", "P1010003.JPG", Jpeg(JpegApp::Jfif, 800, 600, 4, 13)});
    // A five-megapixel picture: over 1 MiB.
    out.push_back({"JPG", "DSC00004.JPG",
                   Jpeg(JpegApp::Exif, 2592, 1944, 16, 14, "SONY", "DSC-W5",
                        "2008:06:15 08:02:47")});
    out.push_back({"JPG", "PICT0005.JPG", Jpeg(JpegApp::Jfif, 320, 240, 3, 15)});

    TiffOptions tif;
    tif.width = 400;
    tif.height = 300;
    tif.seed = 16;
    out.push_back({"TIF", "IMGP0006.TIF", MakeTiff(tif)});
    tif.width = 320;
    tif.height = 240;
    tif.bigEndian = true;
    tif.rowsPerStrip = 16;
    tif.make = "KONICA MINOLTA";
    tif.model = "DiMAGE Z3";
    tif.seed = 17;
    out.push_back({"TIF", "PICT0007.TIF", MakeTiff(tif)});

    out.push_back({"NEF", "DSC_0008.NEF", MakeNef(Raw(512, 340, 18))});
    out.push_back({"NEF", "DSC_0009.NEF", MakeNef(Raw(480, 320, 19, 4))});
    out.push_back({"CR2", "IMG_0010.CR2", MakeCr2(Raw(480, 320, 20))});
    out.push_back({"SR2", "DSC00011.SR2", MakeSr2(Raw(480, 320, 21))});
    out.push_back({"SRF", "DSC00012.SRF", MakeSrf(Raw(448, 336, 22))});
    out.push_back({"ORF", "P1010013.ORF", MakeOrf(Raw(400, 300, 23, 2))});
    // Larger than 640 KiB, the least a CIFF file must have to be trimmed.
    out.push_back({"CRW", "CRW_0014.CRW", MakeCrw(Raw(720, 480, 24))});
    out.push_back({"MRW", "PICT0015.MRW", MakeMrw(Raw(640, 480, 25))});
}

}  // namespace tvn::media
