// Benchmark plumbing: smoke mode, deferred registration, worker counts.
#include "BenchSupport.h"

#include <thread>

namespace bench {

namespace {

bool g_smoke = false;

std::vector<void (*)()>& Registrars() {
    static std::vector<void (*)()> registrars;
    return registrars;
}

}  // namespace

bool Smoke() {
    return g_smoke;
}

void SetSmoke(bool smoke) {
    g_smoke = smoke;
}

bool AddRegistrar(void (*registrar)()) {
    Registrars().push_back(registrar);
    return true;
}

void RegisterAll() {
    for (auto registrar : Registrars()) {
        registrar();
    }
}

benchmark::internal::Benchmark* Configure(benchmark::internal::Benchmark* benchmark) {
    if (g_smoke) {
        benchmark->Iterations(1);
    }
    return benchmark;
}

std::vector<unsigned> WorkerCounts() {
    const unsigned hardware = std::thread::hardware_concurrency();
    if (hardware <= 1) {
        return {1};
    }
    return {1, hardware};
}

}  // namespace bench
