// tarvolin-mkmedia: builds disk images for tests, benchmarks and the built-in
// sample card.
#include <fmt/format.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <stdexcept>
#include <utility>

#include "tools/media/av_writers.h"
#include "tools/media/bench_card.h"
#include "tools/media/names_card.h"
#include "tools/media/sample_card.h"

int main(int argc, char** argv) {
    CLI::App app{"Builds test media for Tarvolin", "tarvolin-mkmedia"};
    app.require_subcommand(1);
    std::string out;
    tvn::media::SampleCardOptions options;
    auto* sample = app.add_subcommand(
        "sample", "The built-in sample camera card (and OUT.json, where every file lies)");
    sample->add_option("OUT", out, "Image file to write")->required();
    sample->add_flag("--quick-format", options.quickFormat,
                     "Format the card again after writing the files (their data stays)");

    tvn::media::BenchCardOptions bench;
    auto* benchCard = app.add_subcommand(
        "bench-card",
        "A well-used camera card for the benchmarks, filled to nine tenths with files of every "
        "type (and OUT.json: totals per type, where every file lies)");
    benchCard->add_option("OUT", out, "Image file to write")->required();
    benchCard
        ->add_option("--size", bench.bytes,
                     "Card size in bytes, a multiple of 512 (suffixes K, M, G count in 1024s)")
        ->transform(CLI::AsSizeValue(false))
        ->default_str("2G");
    benchCard->add_flag("--newer-types", bench.newerTypes,
                        "Files of today's cameras and phones too (CR3, ARW, RAF, RW2, DNG, PEF, NRW, "
                        "HEIC, MTS, TS, 3GP)");
    bool exfat = false;
    auto* namesCard = app.add_subcommand(
        "names-card",
        "A camera card for the original names, folders and dates: long and short names, deleted "
        "entries, reused clusters, a duplicate, times across a daylight-saving change");
    namesCard->add_option("OUT", out, "Image file to write")->required();
    namesCard->add_flag("--exfat", exfat,
                        "exFAT instead of FAT32 (needs root: a loop device and FUSE)");
    std::string movieDir;
    auto* movies = app.add_subcommand(
        "movies", "Camera-like movies with pictures: a Motion-JPEG AVI and QuickTime movie of three "
                  "seconds (320x240, 15 frames a second) and an MPEG-1 program stream of three seconds "
                  "(320x240, 25 pictures a second)");
    movies->add_option("DIR", movieDir, "Folder to write clip.avi, clip.mov and clip.mpg into")->required();
    CLI11_PARSE(app, argc, argv);
    try {
        if (*sample) {
            const auto card = tvn::media::BuildSampleCard(out, options);
            fmt::print("{}", tvn::media::DescribeSampleCard(card));
        } else if (*namesCard) {
            const auto card = tvn::media::BuildNamesCard(out, exfat);
            fmt::print("{}", tvn::media::DescribeNamesCard(card));
        } else if (*movies) {
            for (const auto& [name, bytes] :
                 {std::pair{std::string("clip.avi"), tvn::media::MakeMjpegAvi(320, 240, 45, 1)},
                  std::pair{std::string("clip.mov"), tvn::media::MakeMjpegMov(320, 240, 45, 2)},
                  std::pair{std::string("clip.mpg"), tvn::media::MakeMpegProgramStream(320, 240, 75, 3)}}) {
                const std::string path = movieDir + "/" + name;
                std::FILE* f = std::fopen(path.c_str(), "wb");
                if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0)
                    throw std::runtime_error("cannot write " + path);
                fmt::print("{} {} bytes\n", path, bytes.size());
            }
        } else if (*benchCard) {
            const auto card = tvn::media::BuildBenchCard(out, bench);
            fmt::print("{}", tvn::media::DescribeBenchCard(card));
        }
    } catch (const std::exception& e) {
        fmt::print(stderr, "tarvolin-mkmedia: {}\n", e.what());
        return 1;
    }
    return 0;
}
