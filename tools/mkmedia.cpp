// tarvolin-mkmedia: builds disk images for tests, benchmarks and the built-in
// sample card.
#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "tools/media/sample_card.h"

int main(int argc, char** argv) {
    CLI::App app{"Builds test media for Tarvolin", "tarvolin-mkmedia"};
    app.require_subcommand(1);
    std::string out;
    auto* sample = app.add_subcommand("sample", "The built-in sample camera card");
    sample->add_option("OUT", out, "Image file to write")->required();
    CLI11_PARSE(app, argc, argv);
    try {
        if (*sample) {
            const auto report = tvn::media::BuildSampleCard(out);
            fmt::print("{}", report);
        }
    } catch (const std::exception& e) {
        fmt::print(stderr, "tarvolin-mkmedia: {}\n", e.what());
        return 1;
    }
    return 0;
}
