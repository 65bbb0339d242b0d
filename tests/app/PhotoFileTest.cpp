// Photos as cameras, phones, editors and the web write them open for the
// card; files that cannot be photos are refused with the reason in words.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <lcms2.h>

#include "app/PhotoFile.h"
#include "image/PxImage.h"

namespace fs = std::filesystem;

namespace {

class PhotoFile : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_folder = fs::temp_directory_path() / ("orvantis-photos-" + std::to_string(::getpid()));
        fs::create_directories(s_folder);
    }
    static void TearDownTestSuite() { fs::remove_all(s_folder); }

    static fs::path Path(const std::string& name) { return s_folder / name; }

    // A photo-like picture: a smooth vertical gradient (sky, wall) with
    // noise of the given strength, as a sensor adds it.
    static PxImage Scene(std::uint32_t width, std::uint32_t height, int noise, std::uint32_t seed)
    {
        PxImage picture(width, height, 24, 0);
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> grain(-noise, noise);
        for (std::uint32_t y = 0; y < height; ++y) {
            std::uint8_t* row = picture.GetBits(y);
            const int level = int(40 + 160 * y / height);
            for (std::uint32_t x = 0; x < width; ++x) {
                const int n = noise ? grain(rng) : 0;
                row[3 * x] = std::uint8_t(std::clamp(level + 50 + n, 0, 255));
                row[3 * x + 1] = std::uint8_t(std::clamp(level + 20 + n, 0, 255));
                row[3 * x + 2] = std::uint8_t(std::clamp(level + n, 0, 255));
            }
        }
        return picture;
    }

    static fs::path Written(const std::string& name, PxImage picture, std::uint32_t format, std::uint8_t quality = 90)
    {
        picture.SetJpegQuality(quality);
        EXPECT_TRUE(picture.Save(Path(name), format)) << picture.GetLastError();
        return Path(name);
    }

    // Another program's file: ImageMagick, as editors and converters write them.
    static fs::path Converted(const std::string& name, const std::string& arguments)
    {
        const std::string command = "convert " + arguments + " '" + Path(name).string() + "' 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return Path(name);
    }

    static void ExpectOpens(const fs::path& file, std::uint32_t width, std::uint32_t height)
    {
        SCOPED_TRACE(file.filename().string());
        PxImage photo;
        std::string why;
        ASSERT_TRUE(OpenPhoto(file, photo, why)) << why;
        EXPECT_EQ(photo.GetWidth(), width);
        EXPECT_EQ(photo.GetHeight(), height);
    }

    static std::string Refusal(const fs::path& file)
    {
        PxImage photo;
        std::string why;
        EXPECT_FALSE(OpenPhoto(file, photo, why)) << file;
        EXPECT_FALSE(photo.IsValid());
        return why;
    }

    static inline fs::path s_folder;
};

// Smooth, clean, well-compressed photos: a few bytes per block is all an
// honest file of a clear sky or a plain wall needs.
TEST_F(PhotoFile, LargeSmoothAndNoisyCameraPhotosOpen)
{
    ExpectOpens(Written("sky-q95.jpg", Scene(4000, 3000, 0, 1), FormatJpg, 95), 4000, 3000);
    ExpectOpens(Written("sky-q60.jpg", Scene(4000, 3000, 0, 2), FormatJpg, 60), 4000, 3000);
    ExpectOpens(Written("wall-24mp.jpg", Scene(6000, 4000, 1, 3), FormatJpg, 85), 6000, 4000);
    ExpectOpens(Written("night-48mp.jpg", Scene(8000, 6000, 0, 4), FormatJpg, 90), 8000, 6000);
    ExpectOpens(Written("noisy-12mp.jpg", Scene(4000, 3000, 40, 5), FormatJpg, 92), 4000, 3000);
    PxImage poster(8000, 6000, 24, 0);
    poster.Clear(180);
    ExpectOpens(Written("poster.png", std::move(poster), FormatPng), 8000, 6000);
}

TEST_F(PhotoFile, EditorsFilesOfEverySamplingDepthAndLayoutOpen)
{
    const std::string sky = "-size 4000x3000 gradient:#4080e0-#f0f0ff ";
    ExpectOpens(Converted("sky-444.jpg", sky + "-sampling-factor 1x1 -quality 95"), 4000, 3000);
    ExpectOpens(Converted("sky-progressive.jpg", sky + "-interlace Plane -quality 90"), 4000, 3000);
    const std::string small = "-size 640x480 gradient:#c03020-#20c040 ";
    ExpectOpens(Converted("grey.jpg", small + "-colorspace Gray -quality 90"), 640, 480);
    ExpectOpens(Converted("cmyk.jpg", small + "-colorspace CMYK -quality 90"), 640, 480);
    ExpectOpens(Converted("deep.png", small + "-depth 16"), 640, 480);
    ExpectOpens(Converted("lzw.tif", small + "-compress LZW"), 640, 480);
    ExpectOpens(Converted("lossy.webp", small + "-quality 80"), 640, 480);
    ExpectOpens(Converted("lossless.webp", small + "-define webp:lossless=true"), 640, 480);
    ExpectOpens(Converted("phone.heic", small + "-quality 80"), 640, 480);
    ExpectOpens(Converted("web.avif", small + "-quality 80"), 640, 480);
}

// Another program's files in wide colour spaces: the program's colours are
// those of the sRGB picture they were converted from.
TEST_F(PhotoFile, TaggedPhotosComeBackToTheirSrgbColours)
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    ASSERT_TRUE(cmsSaveProfileToFile(srgb, Path("srgb.icc").c_str()));
    cmsCloseProfile(srgb);
    // Adobe RGB (1998) and ProPhoto RGB as their published primaries give them.
    struct Space {
        const char* name;
        cmsCIExyY white;
        cmsCIExyYTRIPLE primaries;
        double gamma;
    } spaces[] = {
        {"adobe", {0.3127, 0.3290, 1}, {{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}}, 563.0 / 256},
        {"prophoto", {0.3457, 0.3585, 1}, {{0.7347, 0.2653, 1}, {0.1596, 0.8404, 1}, {0.0366, 0.0001, 1}}, 1.8},
    };
    const RGBQUAD patches[] = {{30, 20, 230, 0}, {60, 170, 40, 0}, {200, 90, 20, 0}, {128, 128, 128, 0}};
    std::string original = "-size 32x32";
    for (const RGBQUAD& p : patches)
        original += " xc:'rgb(" + std::to_string(p.rgbRed) + "," + std::to_string(p.rgbGreen) + "," +
                    std::to_string(p.rgbBlue) + ")'";
    original += " +append";
    for (const Space& space : spaces) {
        cmsToneCurve* curve = cmsBuildGamma(nullptr, space.gamma);
        cmsToneCurve* curves[3] = {curve, curve, curve};
        cmsHPROFILE wide = cmsCreateRGBProfile(&space.white, &space.primaries, curves);
        const fs::path icc = Path(std::string(space.name) + ".icc");
        ASSERT_TRUE(cmsSaveProfileToFile(wide, icc.c_str()));
        cmsCloseProfile(wide);
        cmsFreeToneCurve(curve);
        for (const char* type : {"jpg", "png", "tif", "webp"}) {
            const std::string name = std::string(space.name) + "." + type;
            const fs::path file = Converted(name, original + " -profile '" + Path("srgb.icc").string() +
                                                      "' -profile '" + icc.string() + "' -quality 95");
            SCOPED_TRACE(name);
            PxImage photo;
            std::string why;
            ASSERT_TRUE(OpenPhoto(file, photo, why)) << why;
            // Eight bits in a wide space round by a level or two; lossy
            // formats add their own error, more for the wider space's
            // compressed chroma.
            const int levels = std::string(type) == "png" || std::string(type) == "tif" ? 3 : 8;
            for (int i = 0; i < 4; ++i) {
                const RGBQUAD got = photo.GetPixelColor(32 * i + 16, 16, false), want = patches[i];
                EXPECT_NEAR(got.rgbRed, want.rgbRed, levels) << "patch " << i;
                EXPECT_NEAR(got.rgbGreen, want.rgbGreen, levels) << "patch " << i;
                EXPECT_NEAR(got.rgbBlue, want.rgbBlue, levels) << "patch " << i;
            }
        }
    }
}

TEST_F(PhotoFile, RefusedFilesSayWhy)
{
    EXPECT_EQ(Refusal(Path("missing.jpg")), "No such file or directory");
    fs::create_directories(Path("folder.jpg"));
    EXPECT_EQ(Refusal(Path("folder.jpg")), "it is a folder, not a file");
    // A named pipe would be waited on for ever.
    ASSERT_EQ(::mkfifo(Path("pipe.jpg").c_str(), 0600), 0);
    EXPECT_EQ(Refusal(Path("pipe.jpg")), "it is not a file");
    std::ofstream(Path("empty.jpg")).flush();
    EXPECT_EQ(Refusal(Path("empty.jpg")), "the file is empty");
    std::ofstream(Path("notes.jpg")) << "shopping list: bread, milk, a frame for the card";
    EXPECT_EQ(Refusal(Path("notes.jpg")),
              "the file is not a picture in any format this program reads (Decode: Unknown or wrong format)");

    // A bitmap header declaring 30000 x 30000 pixels.
    PxImage tiny(1, 1, 24, 0);
    std::uint8_t* data = nullptr;
    std::int32_t length = 0;
    ASSERT_TRUE(tiny.Encode(data, length, FormatBmp));
    std::string bmp(reinterpret_cast<const char*>(data), std::size_t(length));
    std::free(data);
    for (int at : {18, 22})
        bmp.replace(std::size_t(at), 4, std::string("\x30\x75\x00\x00", 4));
    std::ofstream(Path("huge.bmp"), std::ios::binary) << bmp;
    EXPECT_EQ(Refusal(Path("huge.bmp")),
              "the picture is 30000 x 30000 pixels, more than the 500 megapixels this program opens");

    // A 24-megapixel photo of which only the start reached the disk:
    // its signature is a JPEG's, so the JPEG decoder's reason is given.
    const fs::path whole = Written("cut-source.jpg", Scene(6000, 4000, 30, 6), FormatJpg);
    std::ifstream in(whole, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(Path("cut.jpg"), std::ios::binary) << bytes.substr(0, 8192);
    const std::string cut = Refusal(Path("cut.jpg"));
    EXPECT_TRUE(cut.starts_with("the JPEG file is damaged or cut short")) << cut;
    // A PNG cut inside its header: the library's word, and what it means.
    std::ofstream(Path("cut.png"), std::ios::binary) << std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
    EXPECT_EQ(Refusal(Path("cut.png")), "the file is damaged or cut short (Read Error)");
}

}  // namespace
