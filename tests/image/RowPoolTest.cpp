#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

#include "image/PxImage.h"
#include "image/RowPool.h"
#include "tests/image/TestImages.h"

namespace {

// Counts how often each row is handed out, and checks the bands.
class RowTally {
public:
    explicit RowTally(std::int32_t rows) : m_counts(std::size_t(rows)) {}

    void Band(std::int32_t first, std::int32_t end)
    {
        ASSERT_LT(first, end);
        for (std::int32_t y = first; y < end; ++y)
            ++m_counts[std::size_t(y)];
    }

    bool EachOnce() const
    {
        for (const auto& count : m_counts)
            if (count != 1)
                return false;
        return true;
    }

private:
    std::vector<std::atomic<int>> m_counts;
};

TEST(RowPool, EveryRowOnceInNonEmptyBands)
{
    EXPECT_GE(pximage::RowPoolThreads(), 1u);
    for (std::int32_t rows : {1, 2, 7, 1000}) {
        RowTally tally(rows);
        pximage::ForEachRowBand(rows, [&](std::int32_t first, std::int32_t end) { tally.Band(first, end); });
        EXPECT_TRUE(tally.EachOnce()) << rows << " rows";
    }
    bool called = false;
    pximage::ForEachRowBand(0, [&](std::int32_t, std::int32_t) { called = true; });
    EXPECT_FALSE(called);
}

// Callers on several threads at once, and a band that splits rows of its
// own, all finish with every row done once.
TEST(RowPool, ConcurrentAndNestedCallers)
{
    std::vector<std::thread> callers;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t)
        callers.emplace_back([&failures] {
            for (int round = 0; round < 50; ++round) {
                RowTally outer(13);
                RowTally inner(13 * 5);
                pximage::ForEachRowBand(13, [&](std::int32_t first, std::int32_t end) {
                    outer.Band(first, end);
                    for (std::int32_t y = first; y < end; ++y)
                        pximage::ForEachRowBand(
                            5, [&](std::int32_t f, std::int32_t e) { inner.Band(y * 5 + f, y * 5 + e); });
                });
                if (!outer.EachOnce() || !inner.EachOnce())
                    ++failures;
            }
        });
    for (std::thread& caller : callers)
        caller.join();
    EXPECT_EQ(failures, 0);
}

TEST(RowPool, ExceptionReachesCallerAfterTheOtherBands)
{
    // Three rows make three bands of one row each.
    std::atomic<int> done{0};
    EXPECT_THROW(pximage::ForEachRowBand(3,
                                         [&](std::int32_t first, std::int32_t) {
                                             if (first == 0)
                                                 throw std::runtime_error("band 0");
                                             std::this_thread::sleep_for(std::chrono::milliseconds(20));
                                             ++done;
                                         }),
                 std::runtime_error);
    EXPECT_EQ(done, 2);
}

// One of several processes sharing the machine caps its pool before the
// first use, and a cap after the start changes nothing. The pool belongs to
// the process, so this runs in a fresh one.
TEST(RowPoolDeathTest, CapHoldsOnlyBeforeTheFirstUse)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool capped = pximage::LimitRowPool(1);
            RowTally tally(100);
            pximage::ForEachRowBand(100, [&](std::int32_t first, std::int32_t end) { tally.Band(first, end); });
            const bool late = pximage::LimitRowPool(2);
            std::exit(capped && !late && pximage::RowPoolThreads() == 1 && tally.EachOnce() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

// Pictures large enough that all cores take part give the bytes one thread
// gives (which the other tests compare with the definitions).
TEST(RowPool, SplitTransformsGiveTheSamePixels)
{
    const PxImage source = testimages::Random(701, 499, 24, true, 41);
    const PxImage opaque = testimages::Random(523, 611, 24, false, 42);
    auto same = [](const PxImage& picture, auto transform) {
        PxImage one, all;
        EXPECT_TRUE(transform(PxImage(picture), one, false));
        EXPECT_TRUE(transform(PxImage(picture), all, true));
        return testimages::SamePixels(one, all);
    };
    for (const PxImage* picture : {&source, &opaque}) {
        for (auto im : {PxImage::Bicubic, PxImage::Lanczos, PxImage::Bilinear, PxImage::NearestNeighbour})
            for (const SIZE size : {SIZE{1001, 703}, SIZE{233, 167}})
                EXPECT_TRUE(same(*picture, [&](PxImage p, PxImage& out, bool allCores) {
                    return p.Resample2(size.cx, size.cy, im, PxImage::OverflowRepeat, &out, false, allCores);
                })) << "resample method " << im << " to " << size.cx << "x" << size.cy;
        const RGBQUAD white{255, 255, 255, 0};
        for (auto im : {PxImage::Bicubic2, PxImage::Lanczos, PxImage::Bilinear, PxImage::NearestNeighbour})
            EXPECT_TRUE(same(*picture, [&](PxImage p, PxImage& out, bool allCores) {
                return p.Rotate2(17, &out, im, PxImage::OverflowBackground, &white, true, false, allCores);
            })) << "rotate method " << im;
    }
}

}  // namespace
