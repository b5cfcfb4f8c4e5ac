#include "scan/scanner.h"
#include "scan/recognizers/bmp_scanner.h"
#include "scan/recognizers/png_scanner.h"
#include "scan/recognizers/jpg_scanner.h"
#include "scan/recognizers/gif_scanner.h"
#include "scan/recognizers/tif_scanner.h"
#include "scan/recognizers/crw_scanner.h"
#include "scan/recognizers/cr2_scanner.h"
#include "scan/recognizers/srf_scanner.h"
#include "scan/recognizers/sr2_scanner.h"
#include "scan/recognizers/mrw_scanner.h"
#include "scan/recognizers/orf_scanner.h"
#include "scan/recognizers/nef_scanner.h"
#include "scan/recognizers/mp3_scanner.h"
#include "scan/recognizers/mid_scanner.h"
#include "scan/recognizers/wav_scanner.h"
#include "scan/recognizers/mp4_scanner.h"
#include "scan/recognizers/mpg_scanner.h"
#include "scan/recognizers/mov_scanner.h"
#include "scan/recognizers/avi_scanner.h"
#include "scan/recognizers/cr3_scanner.h"
#include "scan/recognizers/arw_scanner.h"
#include "scan/recognizers/raf_scanner.h"
#include "scan/recognizers/rw2_scanner.h"
#include "scan/recognizers/dng_scanner.h"
#include "scan/recognizers/pef_scanner.h"
#include "scan/recognizers/nrw_scanner.h"
#include "scan/recognizers/heic_scanner.h"
#include "scan/recognizers/mts_scanner.h"
#include "scan/recognizers/ts_scanner.h"
#include "scan/recognizers/3gp_scanner.h"

namespace tvn {

std::unique_ptr<CScanner> MakeRecognizer(CScanContext& ctx, FileType type) {
    switch (type) {
        case FileType::BMP: return std::make_unique<CBMPScanner>(ctx);
        case FileType::PNG: return std::make_unique<CPNGScanner>(ctx);
        case FileType::JPG: return std::make_unique<CJPGScanner>(ctx);
        case FileType::GIF: return std::make_unique<CGIFScanner>(ctx);
        case FileType::TIF: return std::make_unique<CTIFScanner>(ctx);
        case FileType::CRW: return std::make_unique<CCRWScanner>(ctx);
        case FileType::CR2: return std::make_unique<CCR2Scanner>(ctx);
        case FileType::SRF: return std::make_unique<CSRFScanner>(ctx);
        case FileType::SR2: return std::make_unique<CSR2Scanner>(ctx);
        case FileType::MRW: return std::make_unique<CMRWScanner>(ctx);
        case FileType::ORF: return std::make_unique<CORFScanner>(ctx);
        case FileType::NEF: return std::make_unique<CNEFScanner>(ctx);
        case FileType::MP3: return std::make_unique<CMP3Scanner>(ctx);
        case FileType::MID: return std::make_unique<CMIDScanner>(ctx);
        case FileType::WAV: return std::make_unique<CWAVScanner>(ctx);
        case FileType::MP4: return std::make_unique<CMP4Scanner>(ctx);
        case FileType::MPG: return std::make_unique<CMPGScanner>(ctx);
        case FileType::MOV: return std::make_unique<CMOVScanner>(ctx);
        case FileType::AVI: return std::make_unique<CAVIScanner>(ctx);
        case FileType::CR3: return std::make_unique<CCR3Scanner>(ctx);
        case FileType::ARW: return std::make_unique<CARWScanner>(ctx);
        case FileType::RAF: return std::make_unique<CRAFScanner>(ctx);
        case FileType::RW2: return std::make_unique<CRW2Scanner>(ctx);
        case FileType::DNG: return std::make_unique<CDNGScanner>(ctx);
        case FileType::PEF: return std::make_unique<CPEFScanner>(ctx);
        case FileType::NRW: return std::make_unique<CNRWScanner>(ctx);
        case FileType::HEIC: return std::make_unique<CHEICScanner>(ctx);
        case FileType::MTS: return std::make_unique<CMTSScanner>(ctx);
        case FileType::TS: return std::make_unique<CTSScanner>(ctx);
        case FileType::ThreeGP: return std::make_unique<C3GPScanner>(ctx);
    }
    return nullptr;
}

}  // namespace tvn
