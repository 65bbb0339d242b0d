// Templates made from pictures with transparency, written into the user's
// template folder, and exported as packages that import to the same bytes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <set>

#include "image/PxImage.h"
#include "model/FrameTemplate.h"
#include "model/FrameWindows.h"
#include "model/ImageEx.h"
#include "model/TemplateExport.h"
#include "model/TemplateNames.h"
#include "model/TemplatePackage.h"
#include "model/TemplateStore.h"
#include "model/WorkArea.h"
#include "tests/model/FileTree.h"

namespace {

namespace fs = std::filesystem;

// A 24-bit card of width x height, opaque orange, with an alpha plane that
// is 0 inside each hole (card coordinates, y downwards) and, at the hole's
// border row, half transparent.
PxImage FramePicture(std::uint32_t width, std::uint32_t height, const std::vector<RECT>& holes)
{
    PxImage picture(width, height, 24, FormatPng);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            picture.SetPixelColor(std::int32_t(x), std::int32_t(y), {20, 120, 240, 0});
    picture.AlphaCreate();
    for (const RECT& hole : holes)
        for (LONG y = hole.top; y < hole.bottom; ++y)
            for (LONG x = hole.left; x < hole.right; ++x)
                picture.AlphaSet(x, LONG(height) - 1 - y, y == hole.top ? 128 : 0);
    return picture;
}

using testfiles::ReadFile;
using testfiles::Tree;

struct TemplateMaking : testing::Test {
    fs::path top = fs::temp_directory_path() / ("orvantis-making-" + std::to_string(::getpid()));
    fs::path root = top / "res" / "template";
    void SetUp() override
    {
        fs::remove_all(top);
        fs::create_directories(top);
    }
    void TearDown() override
    {
        fs::permissions(top, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(top);
    }
    std::unique_ptr<WorkArea> Made(const std::vector<RECT>& holes = {{20, 30, 120, 110}, {200, 40, 260, 150}})
    {
        std::string why;
        PxImage picture = FramePicture(300, 200, holes);
        auto card = TemplateFromPicture(picture, why);
        EXPECT_FALSE(picture.IsValid());  // taken over
        EXPECT_TRUE(card) << why;
        return card;
    }
};

TEST(TemplateNames, TypedNamesBecomeOneSafeFolderName)
{
    const struct {
        std::string typed, safe;
    } rows[] = {
        {"Summer 2026", "Summer 2026"},
        {"a/b\\c", "a-b-c"},
        {"..", ""},
        {"../../etc", "-..-etc"},
        {"...hidden", "hidden"},
        {"  spaced \t out  ", "spaced out"},
        {"dots...", "dots"},
        {std::string("bell\x07" "and\x7f" "del"), "bellanddel"},
        {std::string("caf\xc3\xa9"), std::string("caf\xc3\xa9")},
        {std::string("bad\xff\xfe" "bytes\xc3"), "badbytes"},
        {std::string("over\xc0\xaflong"), "overlong"},
        {"\xed\xa0\x80surrogate", "surrogate"},
        {"/", "-"},
        {"", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SafeTemplateName(row.typed), row.safe) << row.typed;
        EXPECT_EQ(IsSafeTemplateName(row.typed), !row.safe.empty() && row.safe == row.typed) << row.typed;
    }
    // Long names are cut by characters, never inside one.
    std::string longName;
    for (int i = 0; i < 10000; ++i)
        longName += "\xc3\xa9";
    const std::string cut = SafeTemplateName(longName);
    EXPECT_EQ(cut.size(), 2 * kMaxTemplateNameChars);
    EXPECT_TRUE(IsSafeTemplateName(cut));
}

TEST(FrameTemplate, MaskFollowsEveryKindOfTransparency)
{
    PxImage alpha = FramePicture(70, 70, {{10, 10, 30, 30}});
    const PxImage fromAlpha = OpacityMask(alpha);
    ASSERT_TRUE(fromAlpha.IsValid());
    for (auto [x, y] : {std::pair{0, 0}, {15, 15}, {20, 10}, {69, 69}}) {
        const RGBQUAD m = fromAlpha.GetPixelColor(x, 69 - y, false);
        EXPECT_EQ(m.rgbRed, alpha.AlphaGet(x, 69 - y)) << x << "," << y;
        EXPECT_EQ(m.rgbGreen, m.rgbRed);
    }

    // A palette with a transparent index, and one with alpha per entry.
    PxImage indexed(70, 70, 8, FormatGif);
    RGBQUAD palette[3] = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
    indexed.SetPalette(palette, 3);
    indexed.SetPixelIndex(5, 5, 1);
    indexed.SetPixelIndex(6, 5, 2);
    indexed.SetTransIndex(1);
    PxImage keyed = OpacityMask(indexed);
    EXPECT_EQ(keyed.GetPixelColor(5, 5, false).rgbRed, 0);
    EXPECT_EQ(keyed.GetPixelColor(6, 5, false).rgbRed, 255);
    indexed.SetTransIndex(-1);
    palette[2].rgbReserved = 77;
    palette[0].rgbReserved = 255;
    palette[1].rgbReserved = 255;
    indexed.SetPalette(palette, 3);
    PxImage perEntry = OpacityMask(indexed);
    EXPECT_EQ(perEntry.GetPixelColor(6, 5, false).rgbRed, 77);
    EXPECT_EQ(perEntry.GetPixelColor(5, 5, false).rgbRed, 255);

    // Nothing transparent: no mask.
    EXPECT_FALSE(OpacityMask(PxImage(70, 70, 24, FormatBmp)).IsValid());
}

TEST_F(TemplateMaking, PictureBecomesAFrameWithItsWindowsAtFullSize)
{
    const auto card = Made();
    ASSERT_TRUE(card);
    ASSERT_EQ(card->GetElements().size(), 1u);
    const auto& frame = dynamic_cast<const ImageEx&>(*card->GetElements().front());
    EXPECT_EQ(card->GetFrame(), &frame);
    EXPECT_EQ(card->GetCardImageSize(), (SIZE{300, 200}));
    EXPECT_EQ(frame.m_nKind, ELEMENT_TEMPLATE_FRAME);
    EXPECT_EQ(frame.GetSize(), (SIZE{300, 200}));
    EXPECT_FALSE(frame.m_imgSrc.AlphaIsValid());
    const std::vector<RECT> windows = FindFrameWindows(frame);
    ASSERT_EQ(windows.size(), 2u);
    // The hole's top row, at alpha 128, is not below half opacity: it is
    // frame, and the window begins a row lower.
    EXPECT_EQ(windows[0].left, 20);
    EXPECT_EQ(windows[0].top, 31);
    EXPECT_EQ(windows[0].right, 120);
    EXPECT_EQ(windows[1].bottom, 150);
}

// Thousands of transparent specks, none a window.
PxImage Specks()
{
    std::vector<RECT> specks;
    for (LONG y = 4; y + 3 < 200; y += 6)
        for (LONG x = 4; x + 3 < 300; x += 6)
            specks.push_back({x, y, x + 3, y + 3});
    return FramePicture(300, 200, specks);
}

TEST_F(TemplateMaking, PicturesThatCannotBeCardsAreRefusedWithTheReason)
{
    struct {
        const char* name;
        PxImage picture;
        const char* says;
    } rows[] = {
        {"opaque", PxImage(300, 200, 24, FormatBmp), "no transparent parts"},
        {"tiny", FramePicture(40, 300, {{10, 10, 30, 30}}), "too small to be a card"},
        {"single pixel", FramePicture(300, 200, {{100, 100, 101, 101}}), "no transparent window"},
        {"edge only", FramePicture(300, 200, {{0, 0, 300, 50}}), "touch the picture's edge"},
        {"specks", FramePicture(300, 200, {{10, 10, 15, 15}, {50, 50, 57, 80}}), "no transparent window"},
        {"thousands of specks", Specks(), "smaller than 8 x 8"},
        {"empty", PxImage(), "empty"},
    };
    for (auto& row : rows) {
        std::string why;
        EXPECT_FALSE(TemplateFromPicture(row.picture, why)) << row.name;
        EXPECT_NE(why.find(row.says), std::string::npos) << row.name << ": " << why;
    }
}

TEST_F(TemplateMaking, NewTemplateIsWrittenWholeAndReadsBackWithItsWindows)
{
    const auto card = Made();
    const TemplateWriteResult result = WriteNewTemplate(*card, root, "My frames", "Two windows", false);
    ASSERT_TRUE(result.Succeeded()) << result.message;
    EXPECT_EQ(result.folder, root / "My frames" / "Two windows");
    EXPECT_EQ(Tree(root), (std::set<std::string>{"My frames", "My frames/Two windows", "My frames/Two windows/this.tpl",
                                                 "My frames/Two windows/thumb.jpg"}));
    WorkArea loaded;
    ASSERT_TRUE(loaded.LoadTemplate(result.folder));
    EXPECT_EQ(loaded.GetCardImageSize(), (SIZE{300, 200}));
    ASSERT_EQ(FindFrameWindows(dynamic_cast<const ImageEx&>(*loaded.GetFrame())).size(), 2u);
    PxImage thumb(result.folder / "thumb.jpg", FormatBmp);
    EXPECT_EQ(thumb.GetWidth(), 100u);
    EXPECT_EQ(thumb.GetHeight(), 70u);
}

TEST_F(TemplateMaking, CardWithoutFrameIsRefused)
{
    const WorkArea empty;
    EXPECT_EQ(WriteNewTemplate(empty, root, "c", "t", false).status, TemplateWriteStatus::Refused);
    EXPECT_FALSE(fs::exists(root));
}

TEST_F(TemplateMaking, ExistingNameIsReportedAndReplacedOnlyWhenAsked)
{
    const auto first = Made();
    ASSERT_TRUE(WriteNewTemplate(*first, root, "c", "t", false).Succeeded());
    const std::string before = ReadFile(root / "c/t/this.tpl");
    const auto other = Made({{30, 30, 200, 170}});
    const TemplateWriteResult asked = WriteNewTemplate(*other, root, "c", "t", false);
    EXPECT_EQ(asked.status, TemplateWriteStatus::Exists);
    EXPECT_EQ(ReadFile(root / "c/t/this.tpl"), before);
    EXPECT_TRUE(WriteNewTemplate(*other, root, "c", "t", true).Succeeded());
    EXPECT_NE(ReadFile(root / "c/t/this.tpl"), before);
    // No working folder is left beside it.
    EXPECT_EQ(Tree(root / "c"), (std::set<std::string>{"t", "t/this.tpl", "t/thumb.jpg"}));
}

TEST_F(TemplateMaking, HostileNamesStayInsideTheTemplateFolder)
{
    const auto card = Made();
    for (const char* name : {"../../outside", "/etc/passwd", "..", "\x01\x02"}) {
        const TemplateWriteResult result = WriteNewTemplate(*card, root, "cat", name, false);
        if (result.Succeeded()) {
            const fs::path relative = result.folder.lexically_relative(root);
            EXPECT_NE(*relative.begin(), "..") << name;
            EXPECT_EQ(std::distance(relative.begin(), relative.end()), 2) << name;
        } else {
            EXPECT_EQ(result.status, TemplateWriteStatus::Refused) << name;
        }
    }
    EXPECT_EQ(Tree(top).count("outside"), 0u);
    // A category folder that links elsewhere is not written through.
    fs::create_directories(root);
    fs::create_directories(top / "elsewhere");
    fs::create_directory_symlink(top / "elsewhere", root / "linked");
    EXPECT_EQ(WriteNewTemplate(*card, root, "linked", "t", false).status, TemplateWriteStatus::Refused);
    EXPECT_TRUE(fs::is_empty(top / "elsewhere"));
}

TEST_F(TemplateMaking, ReadOnlyFolderFailsAndLeavesNothing)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    const auto card = Made();
    fs::create_directories(root / "c");
    fs::permissions(root / "c", fs::perms::owner_read | fs::perms::owner_exec);
    const TemplateWriteResult result = WriteNewTemplate(*card, root, "c", "t", false);
    EXPECT_EQ(result.status, TemplateWriteStatus::Failed);
    EXPECT_TRUE(fs::is_empty(root / "c"));
    fs::permissions(root / "c", fs::perms::owner_all);
}

TEST_F(TemplateMaking, RenameAndRemoveWorkOnTheFolder)
{
    const auto card = Made();
    ASSERT_TRUE(WriteNewTemplate(*card, root, "c", "a", false).Succeeded());
    ASSERT_TRUE(WriteNewTemplate(*card, root, "c", "b", false).Succeeded());
    EXPECT_EQ(RenameTemplate(root / "c/a", "b").status, TemplateWriteStatus::Exists);
    const TemplateWriteResult renamed = RenameTemplate(root / "c/a", "x/../y");
    ASSERT_TRUE(renamed.Succeeded()) << renamed.message;
    EXPECT_EQ(renamed.folder, root / "c" / "x-..-y");
    std::string error;
    EXPECT_TRUE(RemoveTemplate(root / "c/b", error)) << error;
    EXPECT_EQ(Tree(root / "c"), (std::set<std::string>{"x-..-y", "x-..-y/this.tpl", "x-..-y/thumb.jpg"}));
    EXPECT_FALSE(RemoveTemplate(root / "c/b", error));
}

TEST_F(TemplateMaking, ExportedPackageImportsToTheSameBytes)
{
    const auto card = Made();
    for (const char* name : {"one", "two"})
        ASSERT_TRUE(WriteNewTemplate(*card, root, "Frames", name, false).Succeeded());
    const fs::path package = top / "frames.zip";
    const TemplateExportResult exported = ExportTemplatePackage(TemplatesIn(root / "Frames"), package);
    ASSERT_TRUE(exported.written) << exported.message;
    EXPECT_EQ(exported.templates, 2);

    const fs::path fresh = top / "fresh" / "res";
    const TemplateImportResult imported = ImportTemplatePackage(package, fresh);
    ASSERT_TRUE(imported.Succeeded()) << imported.message;
    EXPECT_EQ(Tree(fresh / "template"), Tree(root));
    for (const char* file : {"Frames/one/this.tpl", "Frames/one/thumb.jpg", "Frames/two/this.tpl", "Frames/two/thumb.jpg"})
        EXPECT_EQ(ReadFile(fresh / "template" / file), ReadFile(root / file)) << file;

    // One template alone, and a folder that holds none.
    EXPECT_EQ(TemplatesIn(root / "Frames" / "two"), std::vector<fs::path>{root / "Frames" / "two"});
    const TemplateExportResult nothing = ExportTemplatePackage(TemplatesIn(top), top / "none.zip");
    EXPECT_FALSE(nothing.written);
    EXPECT_FALSE(fs::exists(top / "none.zip"));
}

TEST_F(TemplateMaking, FailedExportLeavesTheOldPackage)
{
    const auto card = Made();
    ASSERT_TRUE(WriteNewTemplate(*card, root, "Frames", "one", false).Succeeded());
    const fs::path package = top / "frames.zip";
    std::ofstream(package) << "old package";
    // A folder name no package can carry.
    fs::create_directories(root / "Frames" / ".hidden");
    std::ofstream(root / "Frames" / ".hidden" / "this.tpl") << "x";
    EXPECT_FALSE(ExportTemplatePackage({root / "Frames" / "one", root / "Frames" / ".hidden"}, package).written);
    EXPECT_EQ(ReadFile(package), "old package");
    EXPECT_FALSE(ExportTemplatePackage({root / "Frames" / "one"}, top / "no-such-folder" / "p.zip").written);
}

}  // namespace
