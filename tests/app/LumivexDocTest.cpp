#include <gtest/gtest.h>

#include <fstream>

#include "app/LumivexDoc.h"
#include "image/PxImage.h"
#include "model/ImageEx.h"
#include "tests/app/TemplateFolder.h"

namespace {

using testtemplates::TemplateFolder;

struct FitCase {
    SIZE card, client, shown;
    POINT origin;
};

TEST(LumivexDoc, FitsTheCardIntoTheViewNeverAboveFullSize)
{
    const FitCase cases[] = {
        {{800, 600}, {1000, 500}, {667, 500}, {166, 0}},  // height limits: 800 / 600 x 500 + 0.5
        {{400, 300}, {1000, 800}, {400, 300}, {300, 250}},  // would exceed 100%
        {{1200, 800}, {600, 600}, {600, 400}, {0, 100}},    // width limits
    };
    for (const FitCase& c : cases) {
        TemplateFolder folder(c.card.cx, c.card.cy, {10, 10, 50, 50});
        ASSERT_TRUE(folder.Written());
        CLumivexDoc document(folder.Path());
        document.FitCardToView(c.client, true);
        EXPECT_EQ(document.Card().GetFrameSize(), c.shown) << c.card.cx << " in " << c.client.cx;
        EXPECT_EQ(document.Card().GetOrigin().x, c.origin.x);
        EXPECT_EQ(document.Card().GetOrigin().y, c.origin.y);
    }
}

TEST(LumivexDoc, PlacesPhotosAThirdOfTheCardWideAndNeverTallerThanIt)
{
    TemplateFolder folder(600, 450, {10, 10, 50, 50});
    CLumivexDoc document(folder.Path());
    struct Case {
        std::uint32_t width, height;
        SIZE placed;
    } cases[] = {
        {3000, 2000, {200, 133}},  // 2000 x 0.0667 = 133.3, truncated
        {300, 2000, {67, 450}},    // 1333 > 450: the height limits, 300 x 0.225
        {150, 100, {150, 100}},    // smaller than a third: its own size
    };
    for (const Case& c : cases) {
        PxImage picture(c.width, c.height, 24, FormatBmp);
        ASSERT_TRUE(document.PlacePhoto(picture));
        const ElementBase* photo = document.Card().GetSelected();
        ASSERT_NE(photo, nullptr);
        EXPECT_EQ(photo->GetSize(), c.placed) << c.width << " x " << c.height;
        EXPECT_EQ(photo->GetPos().x, 0);
        EXPECT_EQ(photo->GetPos().y, 0);
        EXPECT_EQ(document.Card().GetElements().back().get(), photo);  // on top
    }
    EXPECT_TRUE(document.IsModified());
    EXPECT_FALSE(document.PlacePhoto(PxImage()));
}

TEST(LumivexDoc, NewCardKeepsOnlyTheDefaultTemplate)
{
    TemplateFolder folder(300, 200, {10, 10, 50, 50});
    TemplateFolder other(500, 400, {10, 10, 50, 50}, "other");
    CLumivexDoc document(folder.Path());
    document.FitCardToView({300, 200}, true);
    document.PlacePhoto(PxImage(50, 50, 24, FormatBmp));
    ASSERT_TRUE(document.ApplyTemplate(other.Path()));
    EXPECT_EQ(document.TemplateDir(), other.Path());
    document.NewCard();
    ASSERT_EQ(document.Card().GetElements().size(), 1u);
    EXPECT_EQ(document.Card().GetCardImageSize(), (SIZE{300, 200}));
    EXPECT_EQ(document.TemplateDir(), folder.Path());
}

class DocumentSave : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.Written());
        m_document.FitCardToView({120, 80}, true);
        m_document.PlacePhoto(PxImage(20, 20, 24, FormatBmp));
    }
    std::filesystem::path Out(const std::string& name) const { return m_folder.Path() / name; }

    TemplateFolder m_folder{120, 80, {10, 10, 50, 50}};
    CLumivexDoc m_document{m_folder.Path()};
};

TEST_F(DocumentSave, ExtensionInAnyCaseGivesTheFormat)
{
    std::string error;
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"card.PNG", FormatPng}, {"card.Jpg", FormatJpg}, {"card.JPEG", FormatJpg}, {"card.bmp", FormatBmp}};
    for (const auto& [name, format] : cases) {
        ASSERT_TRUE(m_document.SaveCardImage(Out(name), error)) << name << ": " << error;
        PxImage saved;
        ASSERT_TRUE(saved.Load(Out(name), FormatUnknown)) << name;
        EXPECT_EQ(saved.GetWidth(), 120u);
        EXPECT_EQ(saved.GetHeight(), 80u);
        EXPECT_EQ(saved.GetType(), format) << name;
    }
}

TEST_F(DocumentSave, SuccessClearsTheModifiedFlag)
{
    ASSERT_TRUE(m_document.IsModified());
    std::string error;
    ASSERT_TRUE(m_document.SaveCardImage(Out("card.png"), error));
    EXPECT_FALSE(m_document.IsModified());
}

TEST_F(DocumentSave, FailureSaysWhyAndKeepsTheOldFile)
{
    std::string error;
    EXPECT_FALSE(m_document.SaveCardImage(Out("card.gif"), error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(Out("card.gif")));

    // A save that cannot replace what stands there (here a folder of the
    // same name, since the tests may run as root) leaves it as it was.
    const auto taken = Out("taken.png");
    std::filesystem::create_directories(taken);
    std::ofstream(taken / "inside") << "precious";
    error.clear();
    EXPECT_FALSE(m_document.SaveCardImage(taken, error));
    EXPECT_FALSE(error.empty());
    std::string content;
    std::ifstream(taken / "inside") >> content;
    EXPECT_EQ(content, "precious");
    EXPECT_TRUE(m_document.IsModified());
    EXPECT_FALSE(m_document.SaveCardImage(Out("missing/card.png"), error));
}


TEST_F(DocumentSave, SaveTemplateWritesTheFolderOrSaysWhyNot)
{
    std::string error;
    ASSERT_TRUE(m_document.SaveTemplate(error)) << error;
    EXPECT_TRUE(std::filesystem::exists(m_folder.Path() / "thumb.jpg"));

    // A folder that cannot be made again (a file stands where its parent
    // was) outside the program's resources: nothing is written, the reason
    // is given.
    const std::filesystem::path gone = Out("gone") / "tpl";
    std::filesystem::create_directories(gone);
    const auto frame = cardfixtures::Frame(120, 80, {10, 10, 50, 50});
    ASSERT_TRUE(WorkArea::WriteTemplateFile({frame.get()}, gone / "this.tpl"));
    ASSERT_TRUE(m_document.ApplyTemplate(gone));
    std::filesystem::remove_all(Out("gone"));
    std::ofstream(Out("gone")) << "x";
    EXPECT_FALSE(m_document.SaveTemplate(error));
    EXPECT_NE(error.find("cannot be written"), std::string::npos) << error;
    EXPECT_EQ(m_document.TemplateDir(), gone);
}

}  // namespace
