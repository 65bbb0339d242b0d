// Transform throughput on photo-sized pictures, in megapixels of the source
// per second. These run on every edit of a card and on the full-resolution save.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "image/PxImage.h"

namespace {

PxImage Photo(std::uint32_t width, std::uint32_t height, bool withAlpha)
{
    PxImage image(width, height, 24, 0);
    std::mt19937 rng(1);
    std::uint8_t* bits = image.GetBits();
    for (std::uint32_t i = 0; i < image.header.biSizeImage; ++i)
        bits[i] = std::uint8_t(rng() >> 13);
    if (withAlpha) {
        image.AlphaCreate();
        for (std::uint32_t i = 0; i < width * height; ++i)
            image.alpha[i] = std::uint8_t(rng() >> 7);
    }
    return image;
}

void ReportMegapixels(benchmark::State& state, const PxImage& source)
{
    const double pixels = double(source.GetWidth()) * source.GetHeight();
    state.counters["MP/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ResampleFast_4000x3000_to_1333x1000(benchmark::State& state)
{
    PxImage source = Photo(4000, 3000, false);
    for (auto _ : state) {
        PxImage out;
        source.Resample(1333, 1000, 1, &out);
        benchmark::DoNotOptimize(out.GetBits());
    }
    ReportMegapixels(state, source);
}

void BM_Resample2Bicubic_4000x3000_to_1333x1000(benchmark::State& state)
{
    PxImage source = Photo(4000, 3000, false);
    for (auto _ : state) {
        PxImage out;
        source.Resample2(1333, 1000, PxImage::Bicubic, PxImage::OverflowRepeat, &out, false);
        benchmark::DoNotOptimize(out.GetBits());
    }
    ReportMegapixels(state, source);
}

void BM_Resample2Bicubic_1000x750_to_2000x1500(benchmark::State& state)
{
    PxImage source = Photo(1000, 750, false);
    for (auto _ : state) {
        PxImage out;
        source.Resample2(2000, 1500, PxImage::Bicubic, PxImage::OverflowRepeat, &out, false);
        benchmark::DoNotOptimize(out.GetBits());
    }
    ReportMegapixels(state, source);
}

void BM_Rotate2_17deg_1000x750_alpha(benchmark::State& state)
{
    PxImage source = Photo(1000, 750, true);
    const auto method = PxImage::InterpolationMethod(state.range(0));
    const RGBQUAD white{255, 255, 255, 0};
    for (auto _ : state) {
        PxImage out;
        source.Rotate2(17, &out, method, PxImage::OverflowBackground, &white, true, false);
        benchmark::DoNotOptimize(out.GetBits());
    }
    state.SetLabel(method == PxImage::NearestNeighbour ? "NearestNeighbour" : "Bicubic2");
    ReportMegapixels(state, source);
}

// The label of a transform on one thread or on all cores.
std::string Threads(bool allCores)
{
    return allCores ? ", all cores" : ", one thread";
}

// The full-resolution render's calls (ImageEx::Rebuild with high quality): a
// 12-megapixel photo with alpha shrunk by averaging bicubic, and the 1 x 1
// opaque mask of a photo without alpha stretched to the same size.
void BM_Resample2Render(benchmark::State& state)
{
    const bool mask = state.range(0) != 0, allCores = state.range(1) != 0;
    PxImage source = mask ? Photo(1, 1, false) : Photo(4000, 3000, true);
    for (auto _ : state) {
        PxImage out;
        source.Resample2(1500, 1125, PxImage::Bicubic, PxImage::OverflowRepeat, &out, false, allCores);
        benchmark::DoNotOptimize(out.GetBits());
    }
    state.SetLabel((mask ? "1x1 mask to 1500x1125" : "4000x3000 alpha to 1500x1125") + Threads(allCores));
}

// The render's turn of such a working picture (with alpha, white corners)
// and of a 24-bit mask (black corners), by the method given.
void BM_Rotate2Render_1500x1125(benchmark::State& state)
{
    const auto method = PxImage::InterpolationMethod(state.range(0));
    const bool mask = state.range(1) != 0, allCores = state.range(2) != 0;
    PxImage source = Photo(1500, 1125, !mask);
    const RGBQUAD fill = mask ? RGBQUAD{0, 0, 0, 0} : RGBQUAD{255, 255, 255, 0};
    for (auto _ : state) {
        PxImage out;
        source.Rotate2(17, &out, method, PxImage::OverflowBackground, &fill, true, false, allCores);
        benchmark::DoNotOptimize(out.GetBits());
    }
    const char* name = method == PxImage::Bilinear ? "Bilinear" : method == PxImage::Bicubic2 ? "Bicubic2" : "Nearest";
    state.SetLabel(name + std::string(mask ? " mask" : " alpha") + Threads(allCores));
}

template <bool (PxImage::*Operation)()>
void InPlace_4000x3000(benchmark::State& state)
{
    PxImage source = Photo(4000, 3000, false);
    for (auto _ : state) {
        (source.*Operation)();
        benchmark::DoNotOptimize(source.GetBits());
    }
    ReportMegapixels(state, source);
}

void BM_RotateRight_4000x3000(benchmark::State& state)
{
    PxImage source = Photo(4000, 3000, false);
    for (auto _ : state) {
        PxImage out;
        source.RotateRight(&out);
        benchmark::DoNotOptimize(out.GetBits());
    }
    ReportMegapixels(state, source);
}

}  // namespace

BENCHMARK(BM_ResampleFast_4000x3000_to_1333x1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample2Bicubic_4000x3000_to_1333x1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample2Bicubic_1000x750_to_2000x1500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate2_17deg_1000x750_alpha)
    ->Arg(PxImage::NearestNeighbour)
    ->Arg(PxImage::Bicubic2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample2Render)->ArgsProduct({{0, 1}, {0, 1}})->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate2Render_1500x1125)
    ->ArgsProduct({{PxImage::Bicubic2}, {0, 1}, {0, 1}})
    ->ArgsProduct({{PxImage::Bilinear, PxImage::NearestNeighbour}, {0}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(InPlace_4000x3000<&PxImage::Flip>)->Name("BM_Flip_4000x3000")->Unit(benchmark::kMillisecond);
BENCHMARK(InPlace_4000x3000<&PxImage::Mirror>)->Name("BM_Mirror_4000x3000")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateRight_4000x3000)->Unit(benchmark::kMillisecond);
