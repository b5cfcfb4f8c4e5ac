// What cameras, phones and photo software write after a JPEG's EOI, laid out
// as their published descriptions give them: a preview JPEG the maker note
// points at, a motion photo's movie named by XMP, and the trailers of AFCP,
// FotoStation, Photo Mechanic and Samsung. Each is the whole file; the
// length walks must take all of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/media/image.h"
#include "tools/media/photo_writers.h"

namespace tvn::media {

// A camera JPEG (baseline, from MakeJpeg) with an Exif APP1 segment whose
// maker note holds the offset (from the TIFF header) and length of preview,
// which is stored after the main image's EOI behind padding zero bytes.
// app1End, when non-zero, grows the APP1 segment so that it ends at that file
// offset with the bytes FF D8: an SOI inside the segment's data.
Bytes MakeCameraJpegWithPreview(const JpegOptions& main, const Bytes& preview, size_t padding,
                                size_t app1End = 0);

// The same over any JPEG: the Exif segment with the maker note goes right
// after its SOI (before the JPEG's own APP segments).
Bytes WithMakerNotePreview(const Bytes& jpeg, const Bytes& preview, size_t padding,
                           size_t app1End = 0);

// A motion photo: jpeg with an XMP APP1 segment after its SOI that names the
// movie's length, as GCamera:MicroVideoOffset or, with containerDirectory,
// as the Container:Directory items; the movie follows the EOI.
Bytes MakeMotionPhoto(const Bytes& jpeg, const Bytes& movie, bool containerDirectory);

// IPTC data: the record version and a caption, padded with zeros to padTo.
Bytes MakeIptc(const std::string& caption, size_t padTo = 0);

// AFCP ("AXS!" big-endian, "AXS*" little-endian): header, one "IPTC" entry
// with the data's absolute offset, the data and the closing record.
Bytes AppendAfcp(const Bytes& jpeg, const Bytes& iptc, bool bigEndian = true);

// FotoStation: each record's data closed by its footer (tag, size with the
// footer, A1 B2 C3 D4). Records are (tag, data).
Bytes AppendFotoStation(const Bytes& jpeg, const std::vector<std::pair<uint16_t, Bytes>>& records);

// Photo Mechanic: IPTC data padded to 2 KiB, its size and "cbipcbbl".
Bytes AppendPhotoMechanic(const Bytes& jpeg, const Bytes& iptc);

// Samsung (a "Sound & Shot" picture): an audio block, then the "SEFH"
// directory and its length and "SEFT".
Bytes AppendSamsungTrailer(const Bytes& jpeg, const Bytes& audio);

}  // namespace tvn::media
