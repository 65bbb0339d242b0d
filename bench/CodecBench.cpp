// Decode and encode throughput of the card's file formats on a 4000 x 3000
// photo, in megapixels per second. The encoded files are also left in
// $ORVANTIS_BENCH_DIR (default /tmp/orvantis-bench) so that
// bench/compare-codecs.sh can time other programs on the very same files.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "bench/BenchPictures.h"
#include "image/PxImage.h"

namespace {

constexpr std::uint32_t kWidth = 4000, kHeight = 3000;

const PxImage& Photo()
{
    static const PxImage photo = benchpictures::PhotoLike(kWidth, kHeight);
    return photo;
}

// The photo encoded once in the format, also written to the bench folder.
const std::vector<std::uint8_t>& Encoded(std::uint32_t format, const char* name)
{
    static std::vector<std::uint8_t> files[FormatCount];
    std::vector<std::uint8_t>& file = files[format];
    if (file.empty()) {
        PxImage photo(Photo());
        std::uint8_t* data = nullptr;
        std::int32_t length = 0;
        if (photo.Encode(data, length, format))
            file.assign(data, data + length);
        std::free(data);
        std::filesystem::create_directories(benchpictures::BenchFolder());
        photo.Save(benchpictures::BenchFolder() / name, format);
    }
    return file;
}

void Report(benchmark::State& state, std::size_t bytes)
{
    state.counters["MP/s"] = benchmark::Counter(kWidth * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["file MB"] = double(bytes) / 1e6;
}

void Decode(benchmark::State& state, std::uint32_t format, const char* name)
{
    const std::vector<std::uint8_t>& file = Encoded(format, name);
    for (auto _ : state) {
        PxImage image;
        if (!image.Decode(file.data(), std::int32_t(file.size()), format))
            state.SkipWithError(image.GetLastError());
        benchmark::DoNotOptimize(image.GetBits());
    }
    Report(state, file.size());
}

void Encode(benchmark::State& state, std::uint32_t format, const char* name)
{
    Encoded(format, name);
    PxImage photo(Photo());
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::uint8_t* data = nullptr;
        std::int32_t length = 0;
        if (!photo.Encode(data, length, format))
            state.SkipWithError(photo.GetLastError());
        bytes = std::size_t(length);
        std::free(data);
    }
    Report(state, bytes);
}

}  // namespace

BENCHMARK_CAPTURE(Decode, Jpeg_q90, FormatJpg, "photo.jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, Jpeg_q90, FormatJpg, "photo.jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, Png, FormatPng, "photo.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, Png, FormatPng, "photo.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, Bmp, FormatBmp, "photo.bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, Bmp, FormatBmp, "photo.bmp")->Unit(benchmark::kMillisecond);
