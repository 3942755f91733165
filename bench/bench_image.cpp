// Throughput of the MB decoder beside memcpy and memset of the same bytes, the cost of one
// banner tick, and the census of deep images. Not a test: run by hand, see
// docs/benchmarks.md.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <string.h>

#include "bench/banner_tick.h"
#include "bench/bench_data.h"
#include "image/image.h"

namespace {

const int32_t kSide = 4096;
const size_t kPixels = static_cast<size_t>(kSide) * kSide;

void BM_Memcpy(benchmark::State& state) {
    Bytes from(kPixels, 1), to(kPixels);
    for (auto _ : state) {
        memcpy(to.data(), from.data(), kPixels);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

void BM_Memset(benchmark::State& state) {
    Bytes to(kPixels);
    for (auto _ : state) {
        memset(to.data(), static_cast<int>(state.iterations() & 0x7F), kPixels);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

// What a decode cannot avoid: a fresh block of the picture's size, filled and released.
void BM_MallocMemcpyFree(benchmark::State& state) {
    Bytes from(kPixels, 1);
    for (auto _ : state) {
        void* to = malloc(kPixels);
        memcpy(to, from.data(), kPixels);
        benchmark::DoNotOptimize(to);
        free(to);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPixels));
}

// range(0): 0 raw, 1 to 4 the 8-bit packet schemes, every run the scheme's longest.
void BM_Decode8(benchmark::State& state) {
    const Bytes data = LongRuns8(kSide, kSide, static_cast<uint8_t>(state.range(0)));
    Image image;
    for (auto _ : state) {
        if (image.ImageLoadMb(data.data(), data.size()) != MbOk) state.SkipWithError("load");
        benchmark::DoNotOptimize(image.pixels);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPixels));
    state.counters["packet_bytes"] = static_cast<double>(data.size());
}

void BM_BannerTick(benchmark::State& state) {
    const Bytes data = BannerData();
    Image image;
    image.ImageLoadMb(data.data(), data.size());
    image.SetBannerTint(64);
    for (auto _ : state) BannerTick(image);
}

// A million pixels of pseudo-random colours: nearly every pixel a new value.
void BM_CensusDeep(benchmark::State& state) {
    const int32_t bpp = static_cast<int32_t>(state.range(0));
    const size_t bytes = 1000000u * static_cast<size_t>(bpp / 8);
    Image image;
    image.width = image.height = 1000;
    image.bitsPerPixel = bpp;
    image.pixels = static_cast<uint8_t*>(malloc(bytes));
    uint32_t seed = 1;
    for (size_t i = 0; i < bytes; ++i) {
        seed = seed * 1664525u + 1013904223u;
        image.pixels[i] = static_cast<uint8_t>(seed >> 24);
    }
    int32_t colours = 0;
    for (auto _ : state) benchmark::DoNotOptimize(colours = image.ImageCountColours());
    state.counters["colours"] = colours;
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 1000000));
}

}  // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memset)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MallocMemcpyFree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode8)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BannerTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CensusDeep)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
