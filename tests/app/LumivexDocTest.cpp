#include <gtest/gtest.h>

#include <fstream>

#include "app/LumivexDoc.h"
#include "image/PxImage.h"
#include "model/ImageEx.h"
#include "tests/app/TemplateFolder.h"

namespace {

using testtemplates::TemplateFolder;

// The document's view: a client size, and a render of the card's full size
// in one colour.
class FakeView : public CardViewPort {
public:
    FakeView(const WorkArea& card, SIZE client) : m_client(client), m_card(card) {}
    SIZE GetClientSize() const override { return m_client; }
    HBITMAP RenderCardBitmap() override
    {
        const SIZE size = m_card.GetCardImageSize();
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, size.cy, 1, 24, BI_RGB};
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap)
            std::fill(bitmap->pixels.begin(), bitmap->pixels.end(), 0x80);
        return bitmap;
    }
    SIZE m_client;

private:
    const WorkArea& m_card;
};

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
        FakeView view(document.m_workArea, c.client);
        document.SetView(&view);
        document.FitCardToView(true);
        EXPECT_EQ(document.m_workArea.GetFrameSize(), c.shown) << c.card.cx << " in " << c.client.cx;
        EXPECT_EQ(document.m_workArea.GetOrigin().x, c.origin.x);
        EXPECT_EQ(document.m_workArea.GetOrigin().y, c.origin.y);
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
        const ElementBase* photo = document.m_workArea.GetSelected();
        ASSERT_NE(photo, nullptr);
        EXPECT_EQ(photo->GetSize(), c.placed) << c.width << " x " << c.height;
        EXPECT_EQ(photo->GetPos().x, 0);
        EXPECT_EQ(photo->GetPos().y, 0);
        EXPECT_EQ(document.m_workArea.GetElements().back().get(), photo);  // on top
    }
    EXPECT_TRUE(document.m_workArea.IsModified());
    EXPECT_FALSE(document.PlacePhoto(PxImage()));
}

TEST(LumivexDoc, NewCardKeepsOnlyTheDefaultTemplate)
{
    TemplateFolder folder(300, 200, {10, 10, 50, 50});
    TemplateFolder other(500, 400, {10, 10, 50, 50}, "other");
    CLumivexDoc document(folder.Path());
    FakeView view(document.m_workArea, {300, 200});
    document.SetView(&view);
    document.PlacePhoto(PxImage(50, 50, 24, FormatBmp));
    document.m_strTemplateDir = other.Path();
    document.m_workArea.LoadTemplate(other.Path());
    document.NewCard();
    ASSERT_EQ(document.m_workArea.GetElements().size(), 1u);
    EXPECT_EQ(document.m_workArea.GetCardImageSize(), (SIZE{300, 200}));
    EXPECT_EQ(document.m_strTemplateDir, folder.Path());
}

class DocumentSave : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.Written());
        m_document.SetView(&m_view);
        m_document.PlacePhoto(PxImage(20, 20, 24, FormatBmp));
    }
    std::filesystem::path Out(const std::string& name) const { return m_folder.Path() / name; }

    TemplateFolder m_folder{120, 80, {10, 10, 50, 50}};
    CLumivexDoc m_document{m_folder.Path()};
    FakeView m_view{m_document.m_workArea, {120, 80}};
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
    ASSERT_TRUE(m_document.m_workArea.IsModified());
    std::string error;
    ASSERT_TRUE(m_document.SaveCardImage(Out("card.png"), error));
    EXPECT_FALSE(m_document.m_workArea.IsModified());
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
    EXPECT_TRUE(m_document.m_workArea.IsModified());
    EXPECT_FALSE(m_document.SaveCardImage(Out("missing/card.png"), error));
}


TEST_F(DocumentSave, SaveTemplateWritesTheFolderOrSaysWhyNot)
{
    std::string error;
    ASSERT_TRUE(m_document.SaveTemplate(error)) << error;
    EXPECT_TRUE(std::filesystem::exists(m_folder.Path() / "thumb.jpg"));

    // A folder that cannot be made (a file stands where its parent would be)
    // outside the program's resources: nothing is written, the reason is given.
    std::ofstream(Out("plain-file")) << "x";
    m_document.m_strTemplateDir = Out("plain-file") / "tpl";
    EXPECT_FALSE(m_document.SaveTemplate(error));
    EXPECT_NE(error.find("cannot be written"), std::string::npos) << error;
    EXPECT_EQ(m_document.m_strTemplateDir, Out("plain-file") / "tpl");
}

}  // namespace
