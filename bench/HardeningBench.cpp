// Guide reading time against the file's size, and the slowest hostile drawing record.
#include <benchmark/benchmark.h>
#include <veltrix/veltrix.h>

#include <chrono>
#include <string>

#include "BenchSupport.h"
#include "path/PathParser.h"
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

// Every hostile case once per iteration, huge pens and slow ones included; reports the slowest
// case's seconds. The smoke run takes the parallel layout's quick cases only.
void BM_HostileSlowest(benchmark::State& state) {
    const bool smoke = bench::Smoke();
    double slowest = 0.0;
    std::string slowestName;
    for (auto _ : state) {
        for (const int type : {VELTRIX_TYPE_RADIATE, VELTRIX_TYPE_PARALLEL, VELTRIX_TYPE_CIRCLE}) {
            if (smoke && type != VELTRIX_TYPE_PARALLEL) {
                continue;
            }
            for (const hostile::Case& hostileCase : hostile::AllCases(!smoke)) {
                if (smoke && hostile::SlowButBounded(type, hostileCase)) {
                    continue;
                }
                const hostile::Outcome outcome = hostile::Run(type, hostileCase, 2);
                if (outcome.seconds > slowest) {
                    slowest = outcome.seconds;
                    slowestName = hostileCase.name + " type " + std::to_string(type);
                }
            }
        }
    }
    state.counters["slowest_s"] = slowest;
    state.SetLabel("slowest: " + slowestName);
}

void Register() {
    auto* read = benchmark::RegisterBenchmark("GuideRead", BM_GuideRead)->Arg(1);
    if (!bench::Smoke()) {
        read->Arg(8)->Arg(64);
    }
    read->Unit(benchmark::kMillisecond)->Iterations(bench::Smoke() ? 1 : 2);
    benchmark::RegisterBenchmark("HostileSlowest", BM_HostileSlowest)
        ->Unit(benchmark::kSecond)
        ->Iterations(1);
}

const bool registered = bench::AddRegistrar(&Register);

}  // namespace
