// The file types and the facts about each that the rest of the program
// reads: name (which is also the folder name and the file-name ending), the
// fixed order in which the scan asks the recognizers, and how extraction
// treats the type. The first nineteen are the classic list; the types of
// today's cameras and phones follow them, so the ids of the nineteen never
// change.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace tvn {

enum class FileType : unsigned char {
    BMP, PNG, JPG, GIF, TIF, CRW, CR2, SRF, SR2, MRW, ORF, NEF, MP3, MID, WAV, MP4, MPG, MOV, AVI,
    // More camera and phone formats.
    CR3, ARW, RAF, RW2, DNG, PEF, NRW, HEIC, MTS, TS, ThreeGP
};
inline constexpr std::size_t kTypeCount = 30;
// The classic list: the first nineteen types.
inline constexpr std::size_t kClassicTypeCount = 19;
constexpr bool IsClassicType(FileType t) { return static_cast<std::size_t>(t) < kClassicTypeCount; }

struct TypeFacts {
    FileType type;
    std::string_view name;  // capital letters and digits; folder name too
    bool repaired;          // extraction trims it with a repair routine
    bool neverCut;          // extraction never cuts it to 1 MiB
    bool previewRepaired;   // the preview copy is repaired too
};

// In list order: the order in which the scan asks the recognizers.
inline constexpr std::array<TypeFacts, kTypeCount> kTypes{{
    {FileType::BMP, "BMP", false, false, false},
    {FileType::PNG, "PNG", false, false, false},
    {FileType::JPG, "JPG", false, false, false},
    {FileType::GIF, "GIF", false, false, false},
    {FileType::TIF, "TIF", true, true, true},
    {FileType::CRW, "CRW", true, true, true},
    {FileType::CR2, "CR2", true, true, true},
    {FileType::SRF, "SRF", true, true, true},
    {FileType::SR2, "SR2", true, true, true},
    {FileType::MRW, "MRW", false, true, false},
    {FileType::ORF, "ORF", true, true, true},
    {FileType::NEF, "NEF", true, true, true},
    {FileType::MP3, "MP3", false, true, false},
    {FileType::MID, "MID", false, false, false},
    {FileType::WAV, "WAV", false, false, false},
    {FileType::MP4, "MP4", true, true, false},
    {FileType::MPG, "MPG", false, true, false},
    {FileType::MOV, "MOV", true, true, true},
    {FileType::AVI, "AVI", false, false, false},
    {FileType::CR3, "CR3", false, true, false},
    {FileType::ARW, "ARW", false, true, false},
    {FileType::RAF, "RAF", false, true, false},
    {FileType::RW2, "RW2", false, true, false},
    {FileType::DNG, "DNG", false, true, false},
    {FileType::PEF, "PEF", false, true, false},
    {FileType::NRW, "NRW", false, true, false},
    {FileType::HEIC, "HEIC", false, true, false},
    {FileType::MTS, "MTS", false, true, false},
    {FileType::TS, "TS", false, true, false},
    {FileType::ThreeGP, "3GP", false, true, false},
}};
static_assert([] {
    for (std::size_t i = 0; i < kTypeCount; ++i)
        if (static_cast<std::size_t>(kTypes[i].type) != i) return false;
    return true;
}());

constexpr const TypeFacts& Facts(FileType t) { return kTypes[static_cast<std::size_t>(t)]; }
constexpr std::string_view TypeName(FileType t) { return Facts(t).name; }

// Looks a type up by its name, ignoring case ("jpg" and "JPG").
std::optional<FileType> FindTypeByName(std::string_view name);
// Looks a folder up by its name: exact, as the catalogue names folders.
const TypeFacts* FindFolderType(std::string_view folderName);

}  // namespace tvn
