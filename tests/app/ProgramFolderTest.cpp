#include <gtest/gtest.h>

#include <filesystem>

#include "app/ProgramFolder.h"
#include "image/ImageFormats.h"

namespace {

TEST(ProgramFolder, AppDirIsTheExecutablesFolder)
{
    const std::filesystem::path first = GetAppDir();
    EXPECT_EQ(first, GetAppDir());
    EXPECT_TRUE(std::filesystem::is_directory(first));
    EXPECT_TRUE(std::filesystem::exists(first / "app_tests"));
}

TEST(ProgramFolder, ExtensionOfTheWholePath)
{
    EXPECT_EQ(GetFileExtension("/home/u/a.b/photo"), "b/photo");
    EXPECT_EQ(GetFileExtension("photo.tar.gz"), "gz");
    EXPECT_EQ(GetFileExtension("photo"), "");
    EXPECT_EQ(GetFileExtension("card."), "");
}

TEST(ProgramFolder, FormatTableIsExactAndCaseSensitive)
{
    EXPECT_EQ(GetFormatFromExtension("JPG"), 0u);
    EXPECT_EQ(GetFormatFromExtension("jpeg"), 3u);
    EXPECT_EQ(GetFormatFromExtension("jpg"), 3u);
    EXPECT_EQ(GetFormatFromExtension("tif"), 6u);
    EXPECT_EQ(GetFormatFromExtension("ppm"), 14u);
    EXPECT_EQ(GetFormatFromExtension("emf"), 10u);
    EXPECT_EQ(GetFormatFromExtension("j2c"), 12u);
    EXPECT_EQ(GetFormatFromExtension("ras"), 15u);
    EXPECT_EQ(GetFormatFromExtension(""), 0u);
    EXPECT_EQ(GetFormatFromExtension("xcf"), 0u);
    EXPECT_EQ(GetFormatFromExtension("webp"), std::uint32_t(FormatWebp));
    EXPECT_EQ(GetFormatFromExtension("heic"), std::uint32_t(FormatHeif));
    EXPECT_EQ(GetFormatFromExtension("heif"), std::uint32_t(FormatHeif));
    EXPECT_EQ(GetFormatFromExtension("avif"), std::uint32_t(FormatAvif));
}

}  // namespace
