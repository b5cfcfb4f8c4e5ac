// tarvolin-mkmedia: builds disk images for tests, benchmarks and the built-in
// sample card.
#include <fmt/format.h>

#include <CLI/CLI.hpp>

#include "tools/media/bench_card.h"
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
    CLI11_PARSE(app, argc, argv);
    try {
        if (*sample) {
            const auto card = tvn::media::BuildSampleCard(out, options);
            fmt::print("{}", tvn::media::DescribeSampleCard(card));
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
