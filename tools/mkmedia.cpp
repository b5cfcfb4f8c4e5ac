// tarvolin-mkmedia: builds disk images for tests, benchmarks and the built-in
// sample card.
#include <fmt/format.h>

#include <CLI/CLI.hpp>

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
    CLI11_PARSE(app, argc, argv);
    try {
        if (*sample) {
            const auto card = tvn::media::BuildSampleCard(out, options);
            fmt::print("{}", tvn::media::DescribeSampleCard(card));
        }
    } catch (const std::exception& e) {
        fmt::print(stderr, "tarvolin-mkmedia: {}\n", e.what());
        return 1;
    }
    return 0;
}
