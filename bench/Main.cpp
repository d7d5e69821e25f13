// The benchmark runner: Google Benchmark's flags, plus --smoke for one small run of each.
#include <cstring>

#include "BenchSupport.h"

int main(int argc, char** argv) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) {
            bench::SetSmoke(true);
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    bench::RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
