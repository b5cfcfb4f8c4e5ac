// Micro-benchmarks: the per-sector recognizer pass over one 512 KiB block
// (every recognizer at every sector; a block of zeros, of random bytes and of
// real media), the search for a text in a block, and the length search of
// each type from a real file's start.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <unistd.h>

#include "scan/scan_job.h"
#include "scan/text_search.h"
#include "tools/media/image.h"
#include "tools/media/samples.h"

namespace tvn {
namespace {

constexpr uint64_t B = kScanBufferSize;

std::vector<media::SampleFile> Samples() {
    std::vector<media::SampleFile> s;
    media::AppendPhotoSamples(s);
    media::AppendAvSamples(s);
    return s;
}

// An image file of 24 blocks filled by kind: 0 zeros, 1 random, 2 media.
std::string MakeImage(int kind) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("tvn-bench-" + std::to_string(kind) + "-" + std::to_string(::getpid()) + ".img"))
                                 .string();
    media::ImageFile img(path, 24 * B);
    if (kind == 1) {
        std::mt19937_64 rng(42);
        media::Bytes block(B);
        for (uint64_t off = 0; off < img.Size(); off += B) {
            for (auto& b : block) b = static_cast<uint8_t>(rng());
            img.Write(off, block);
        }
    } else if (kind == 2) {
        uint64_t off = 0;
        for (const auto& f : Samples()) {
            if (off + f.data.size() > img.Size()) break;
            img.Write(off, f.data);
            off = (off + f.data.size() + 511) / 512 * 512;
        }
    }
    return path;
}

struct Setup {
    explicit Setup(const std::string& path) : source(path, 2), ctx(source, counters, reporter) {
        std::vector<FileType> all;
        for (const auto& f : kTypes) all.push_back(f.type);
        list = BuildRecognizerList(ctx, all);
        ::lseek(source.GetHandle(), 0, SEEK_SET);
        list[0]->AllocBuffer(kScanBufferSize);
        list[0]->ReadBlock();
        source.SetPosition(B / 512);
    }
    CDiskSource source;
    CTypeCounters counters;
    CNullReporter reporter;
    CScanContext ctx;
    std::vector<std::unique_ptr<CScanner>> list;
};

void BM_SectorPass(benchmark::State& state) {
    const std::string path = MakeImage(static_cast<int>(state.range(0)));
    Setup s(path);
    for (auto _ : state) {
        int hits = 0;
        ++s.ctx.generation;  // a fresh block each time: the text windows are searched anew
        for (DWORD off = 0; off < B; off += 512) {
            s.ctx.offset = off;
            for (auto& r : s.list) hits += r->IsFileHeader() ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(B));
    std::remove(path.c_str());
}
BENCHMARK(BM_SectorPass)->Arg(0)->Arg(1)->Arg(2)->ArgNames({"zeros0_random1_media2"});

// The search for one text in a block of random bytes, each way this processor
// can search.
void BM_TextSearch(benchmark::State& state) {
    const auto kind = static_cast<TextSearchKind>(state.range(0));
    std::vector<BYTE> block(B);
    std::mt19937_64 rng(7);
    for (auto& b : block) b = static_cast<BYTE>(rng());
    std::vector<uint32_t> starts;
    if (!FindTextUsing(kind, block, "MPEGTV", starts)) {
        state.SkipWithError("not on this processor");
        return;
    }
    for (auto _ : state) {
        starts.clear();
        FindTextUsing(kind, block, "MPEGTV", starts);
        benchmark::DoNotOptimize(starts.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(B));
}
BENCHMARK(BM_TextSearch)->Arg(0)->Arg(1)->Arg(2)->ArgNames({"one0_sse2_1_avx2_2"});

void BM_LengthSearch(benchmark::State& state) {
    const auto samples = Samples();
    const auto index = static_cast<size_t>(state.range(0));
    if (index >= samples.size()) {
        state.SkipWithError("no such sample");
        return;
    }
    const auto& sample = samples[index];
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("tvn-bench-len-" + std::to_string(::getpid()) + ".img")).string();
    {
        media::ImageFile img(path, 24 * B);
        img.Write(0, sample.data);
    }
    Setup s(path);
    const auto type = FindTypeByName(sample.type);
    std::unique_ptr<CScanner> r = MakeRecognizer(s.ctx, *type);
    s.ctx.offset = 0;
    const bool header = r->IsFileHeader();
    for (auto _ : state) {
        // A fresh recognizer each time, so nothing is remembered between runs.
        auto fresh = MakeRecognizer(s.ctx, *type);
        benchmark::DoNotOptimize(header ? fresh->GetFileSize() : 0);
    }
    state.SetLabel(sample.type + " " + sample.name);
    std::remove(path.c_str());
}
BENCHMARK(BM_LengthSearch)->DenseRange(0, 30);

}  // namespace
}  // namespace tvn

BENCHMARK_MAIN();
