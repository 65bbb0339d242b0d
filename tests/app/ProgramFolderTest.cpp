#include <gtest/gtest.h>

#include <filesystem>

#include "app/FileFormats.h"
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

// The one table every dialog, message and command line reads.
TEST(FileFormats, DialogFiltersAndTextsComeFromOneTable)
{
    EXPECT_EQ(PhotoDialogFilter(),
              "support files|*.bmp;*.jpg;*.jpeg;*.png;*.tga;*.tiff;*.jp2;*.j2k;*.webp;*.heic;*.heif;*.avif|BMP files "
              "(*.bmp)|*.bmp|JPG files (*.jpg;*.jpeg)|*.jpg;*.jpeg|PNG files (*.png)|*.png|TGA files (*.tga)|*.tga|"
              "TIFF files (*.tiff,*.tif)|*.tiff;*.tif|JP2 files(*.j2k;*.jp2)|*.j2k;*.jp2|WebP files (*.webp)|*.webp|"
              "HEIF files (*.heic;*.heif)|*.heic;*.heif|AVIF files (*.avif)|*.avif||");
    EXPECT_EQ(CardExtensionsText(), ".bmp, .jpg, .jpeg or .png");
    EXPECT_EQ(CardFormatNamesText(), "BMP, JPEG or PNG");
    EXPECT_EQ(std::string(DefaultCardFileType().extension), "jpg");
    EXPECT_EQ(CardFormatOf("/a.b/card.JPEG"), std::uint32_t(FormatJpg));
    EXPECT_EQ(CardFormatOf("card.Png"), std::uint32_t(FormatPng));
    EXPECT_EQ(CardFormatOf("card.tif"), 0u);  // opened, never saved
    EXPECT_EQ(CardFormatOf("png"), 0u);
}

}  // namespace
