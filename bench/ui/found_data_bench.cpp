// The found-data window over a catalogue of 1,000,000 files: how long the GUI
// thread is busy opening the window, showing the big folder, sorting it and
// ticking everything, each step including the repaint it causes. Run it from
// the release build: build/release/bench/tvn_bench_ui (offscreen platform);
// --files=N makes the big folders N files long instead.
//
// Two big folders: JPG, files numbered by the scan (their natural order is
// the catalogue's, turned round), and NEF, files the card's file system
// names and dates in an order that has nothing to do with the catalogue's,
// as after a card was filled, partly emptied and filled again (argument 1).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QHeaderView>
#include <QTreeView>
#include <QTest>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/session.h"
#include "catalog/file_origin.h"
#include "ui/app_style.h"
#include "ui/found_data_dlg.h"

namespace {

using tvn::CSession;
using tvn::ui::CDataFoundDlg;

unsigned g_files = 1000000;  // the big folder's files (--files=N)

// That many JPEGs of assorted sizes and a few other folders, as a long scan
// of a large card leaves them.
CSession& BigCatalogue() {
    static CSession* session = [] {
        auto* s = new CSession;
        s->jobMode = tvn::JobMode::Save;
        for (const char* type : {"MP3", "CR2", "JPG", "NEF"}) {
            tvn::CFolderNode* folder = s->tree.InsertFolder(type);
            const bool big = std::string(type) == "JPG" || std::string(type) == "NEF";
            const bool named = std::string(type) == "NEF";
            const unsigned count = big ? g_files : 500;
            for (unsigned i = 1; i <= count; ++i) {
                const tvn::ULONGLONG size = 200000ULL + (i * 7919ULL) % 6000000ULL;
                tvn::CFileNode* file = folder->InsertFile("file# " + std::to_string(i) + ".",
                                                          i * 1000ULL, i * 1000ULL + size / 512, size);
                if (!named) continue;
                // A number that runs through 1..count in a scattered order.
                const unsigned n = static_cast<unsigned>((i * 2654435761ULL) % count) + 1;
                auto origin = std::make_unique<tvn::FileOrigin>();
                origin->name = "DSC" + std::to_string(n) + (n % 7 == 0 ? ".nef" : ".NEF");
                origin->path = "DCIM/" + std::to_string(100 + n / 9999) + "NIKON/" + origin->name;
                origin->modified.known = true;
                origin->modified.seconds = 1700000000 + static_cast<int64_t>(n % 86413) * 60;
                file->SetOrigin(std::move(origin));
            }
        }
        return s;
    }();
    return *session;
}

const char* BigFolder(int64_t which) { return which == 0 ? "JPG" : "NEF"; }

// Runs the events the step posted (layout, paint) so that they count.
void Settle(QWidget& w) {
    QApplication::processEvents();
    w.repaint();
    QApplication::processEvents();
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_OpenWindow(benchmark::State& state) {
    CSession& session = BigCatalogue();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        CDataFoundDlg dlg(session);
        dlg.show();
        Settle(dlg);
        state.SetIterationTime(Seconds(start));
    }
}
BENCHMARK(BM_OpenWindow)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ShowBigFolder(benchmark::State& state) {
    CSession& session = BigCatalogue();
    CDataFoundDlg dlg(session);
    dlg.show();
    Settle(dlg);
    for (auto _ : state) {
        dlg.ShowFolder(&session.tree.GetRoot());
        Settle(dlg);
        const auto start = std::chrono::steady_clock::now();
        dlg.ShowFolder(session.tree.FindFolder(BigFolder(state.range(0))));
        Settle(dlg);
        state.SetIterationTime(Seconds(start));
    }
    state.counters["rows"] = dlg.ListModel().rowCount();
}
BENCHMARK(BM_ShowBigFolder)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_SortBigFolder(benchmark::State& state) {
    CSession& session = BigCatalogue();
    CDataFoundDlg dlg(session);
    dlg.show();
    dlg.ShowFolder(session.tree.FindFolder(BigFolder(state.range(0))));
    Settle(dlg);
    QHeaderView* header = dlg.List()->header();
    int section = static_cast<int>(state.range(1));
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        // A click on the header: the first sorts, the next ones turn it round.
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + 10, header->height() / 2));
        Settle(dlg);
        state.SetIterationTime(Seconds(start));
    }
}
// Arguments: the folder, the column (name, size, date).
BENCHMARK(BM_SortBigFolder)
    ->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})->Args({1, 2})
    ->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_TickEverything(benchmark::State& state) {
    CSession& session = BigCatalogue();
    CDataFoundDlg dlg(session);
    dlg.show();
    dlg.ShowFolder(session.tree.FindFolder("JPG"));
    Settle(dlg);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        dlg.TreeModel().setData(dlg.TreeModel().RootIndex(), {}, Qt::CheckStateRole);
        Settle(dlg);
        state.SetIterationTime(Seconds(start));
    }
}
BENCHMARK(BM_TickEverything)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_TickOneFile(benchmark::State& state) {
    CSession& session = BigCatalogue();
    CDataFoundDlg dlg(session);
    dlg.show();
    dlg.ShowFolder(session.tree.FindFolder("JPG"));
    Settle(dlg);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        dlg.ListModel().setData(dlg.ListModel().index(3, 0), {}, Qt::CheckStateRole);
        Settle(dlg);
        state.SetIterationTime(Seconds(start));
    }
}
BENCHMARK(BM_TickOneFile)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // --files=N is ours; the rest are the benchmark library's.
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--files=", 8) == 0) {
            const unsigned long n = std::strtoul(argv[i] + 8, nullptr, 10);
            if (n > 0 && n <= 50000000UL) g_files = static_cast<unsigned>(n);
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tvn::ui::ApplyAppStyle(app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
