// Guide reading time against the file's size, and the slowest hostile drawing record.
#include <benchmark/benchmark.h>
#include <veltrix/veltrix.h>

#include <chrono>
#include <string>

#include "path/PathParser.h"
#include "plugin/DrawOptions.h"
#include "tests/HostileRecords.h"

namespace {

// An SVG guide of about `bytes` bytes whose path mixes every command kind.
std::string GuideText(size_t bytes) {
    static const char* const kPieces[] = {"L10.5,20.25 ", "C1,2 3,4 5.5,6 ", "Q7,8 9,10 ",
                                          "l1 1 ",        "c1,1 2,2 3,0 ",   "q-1,2 3,4 "};
    std::string text = "<svg><path transform=\"translate(1 2)\" d=\"M0,0 ";
    text.reserve(bytes + 64);
    for (size_t i = 0; text.size() < bytes; ++i) {
        text += kPieces[i % std::size(kPieces)];
    }
    return text + "\"/></svg>";
}

// Reading and flattening a guide of 1, 8 and 64 MiB: the time per byte should stay flat.
void BM_GuideRead(benchmark::State& state) {
    const std::string text = GuideText(static_cast<size_t>(state.range(0)) << 20);
    size_t segments = 0;
    for (auto _ : state) {
        PathParser parser;
        parser.Parse(text);
        parser.PrepareSegments(false);
        segments = parser.segments.size();
        benchmark::DoNotOptimize(parser.totalLength);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["commands"] = static_cast<double>(segments);
}
BENCHMARK(BM_GuideRead)->Arg(1)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond)->Iterations(2);

// Every hostile case once per iteration, huge pens and slow ones included; reports the slowest
// case's seconds.
void BM_HostileSlowest(benchmark::State& state) {
    SetDrawWorkerCount(2);
    double slowest = 0.0;
    std::string slowestName;
    for (auto _ : state) {
        for (const int type : {VELTRIX_TYPE_RADIATE, VELTRIX_TYPE_PARALLEL, VELTRIX_TYPE_CIRCLE}) {
            for (const hostile::Case& hostileCase : hostile::AllCases(true)) {
                TestLayer layer(hostile::kSide, hostile::kSide);
                hostile::Records records = hostile::SoundRecords(type, layer);
                hostileCase.spoil(records);
                const auto start = std::chrono::steady_clock::now();
                DrawEffect(&records.param, &records.target, ":S", &records.image, &records.canvas,
                           nullptr, nullptr);
                const double seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                if (seconds > slowest) {
                    slowest = seconds;
                    slowestName = hostileCase.name + " type " + std::to_string(type);
                }
            }
        }
    }
    SetDrawWorkerCount(0);
    state.counters["slowest_s"] = slowest;
    state.SetLabel("slowest: " + slowestName);
}
BENCHMARK(BM_HostileSlowest)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
