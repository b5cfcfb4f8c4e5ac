// The nineteen file types and the facts about each that the rest of the
// program reads: name (which is also the folder name and the file-name
// ending), the fixed order in which the scan asks the recognizers, and how
// extraction treats the type.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace tvn {

enum class FileType : unsigned char {
    BMP, PNG, JPG, GIF, TIF, CRW, CR2, SRF, SR2, MRW, ORF, NEF, MP3, MID, WAV, MP4, MPG, MOV, AVI
};
inline constexpr std::size_t kTypeCount = 19;

struct TypeFacts {
    FileType type;
    std::string_view name;  // three capital letters; folder name too
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
}};

constexpr const TypeFacts& Facts(FileType t) { return kTypes[static_cast<std::size_t>(t)]; }
constexpr std::string_view TypeName(FileType t) { return Facts(t).name; }

// Looks a type up by its name, ignoring case ("jpg" and "JPG").
std::optional<FileType> FindTypeByName(std::string_view name);
// Looks a folder up by its name: exact, as the catalogue names folders.
const TypeFacts* FindFolderType(std::string_view folderName);

}  // namespace tvn
