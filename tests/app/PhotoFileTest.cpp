// Photos as cameras, phones, editors and the web write them open for the
// card; files that cannot be photos are refused with the reason in words.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

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

TEST_F(PhotoFile, RefusedFilesSayWhy)
{
    EXPECT_EQ(Refusal(Path("missing.jpg")), "No such file or directory");
    fs::create_directories(Path("folder.jpg"));
    EXPECT_EQ(Refusal(Path("folder.jpg")), "it is a folder, not a file");
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
