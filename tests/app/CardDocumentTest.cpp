// Cards saved as card files and opened again: the same picture to the byte,
// with the photos and the template gone from disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include <unistd.h>

#include "app/LumivexDoc.h"
#include "app/PhotoFile.h"
#include "image/PxImage.h"
#include "model/CardDocument.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "tests/model/CardFixtures.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Bytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CardFiles : public testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(m_root / "tpl");
        // A template with a frame and a text of its own.
        const auto frame = cardfixtures::Frame(600, 400, {100, 60, 500, 340});
        const auto text = cardfixtures::Text(u"with love", {200, 350}, ELEMENT_TEMPLATE_TEXT);
        ASSERT_TRUE(WorkArea::WriteTemplateFile({frame.get(), text.get()}, m_root / "tpl" / "this.tpl"));
        PxImage jpeg = testimages::Random(300, 200, 24, false, 3);
        jpeg.SetJpegQuality(90);
        ASSERT_TRUE(jpeg.Save(m_root / "beach.jpg", FormatJpg));
        ASSERT_TRUE(testimages::Random(120, 160, 24, false, 4).Save(m_root / "portrait.png", FormatPng));
    }
    void TearDown() override { fs::remove_all(m_root); }

    // A card with every kind of element: a JPEG photo placed twice (turned,
    // mirrored and flipped), a PNG photo, a pasted picture with alpha, the
    // template's text edited and two typed texts.
    void Compose(CLumivexDoc& document)
    {
        document.FitCardToView({300, 250}, true);
        SharedSourceFile beach, portrait;
        PxImage picture;
        std::string why;
        ASSERT_TRUE(OpenPhoto(m_root / "beach.jpg", picture, why, beach)) << why;
        ASSERT_TRUE(document.PlacePhoto(PxImage(picture), 0, beach));
        document.RotateSelectedPhoto(17.3f);
        document.MirrorSelectedPhoto();
        ASSERT_TRUE(document.PlacePhoto(std::move(picture), 30, beach));
        document.FlipSelectedPhoto();
        document.ClearSelection(true);
        ASSERT_TRUE(OpenPhoto(m_root / "portrait.png", picture, why, portrait)) << why;
        ASSERT_TRUE(document.PlacePhoto(std::move(picture), 60, portrait));
        document.ZoomSelectedPhoto(1.5);
        ASSERT_TRUE(document.PlacePhoto(testimages::Random(40, 30, 24, true, 9), 90));
        for (const auto& element : document.Card().GetElements())
            if (element->m_nKind == ELEMENT_TEMPLATE_TEXT)
                document.Select(element.get());
        document.SetSelectedTextColor(RGB(10, 200, 30));
        document.SetSelectedTextHeight(-30);
        document.AddText(cardfixtures::LogFont(u"Times New Roman", -24), RGB(255, 255, 255), u"Happy Birthday", {20, 20});
        document.AddText(cardfixtures::LogFont(u"Arial", -12), RGB(0, 0, 90), u"Grandma \u00e9\u4e2d", {40, 200});
        document.AddText(cardfixtures::LogFont(u"DejaVu Sans", -18), RGB(250, 250, 240),
                         u"Three lines\nwith a \U0001F382\nand effects", {120, 90}, Greeting());
    }

    // Centred lines, an outline and a soft shadow.
    static TextLook Greeting()
    {
        TextLook look;
        look.align = TextAlign::Centre;
        look.outline = {RGB(20, 30, 120), 2.5};
        look.shadow = {true, RGB(0, 0, 0), 3, 4, 5};
        return look;
    }

    std::vector<std::uint8_t> Picture(CLumivexDoc& document, const std::string& name)
    {
        std::string why;
        EXPECT_TRUE(document.SaveCardImage(m_root / name, why)) << why;
        return Bytes(m_root / name);
    }

    fs::path m_root = fs::temp_directory_path() / ("orvantis-cardfile-" + std::to_string(::getpid()));
};

TEST_F(CardFiles, ReopenedWithoutItsFilesTheCardSavesTheSameBytes)
{
    CLumivexDoc document(m_root / "tpl");
    Compose(document);
    const std::vector<std::uint8_t> before = Picture(document, "before.png");
    std::string why;
    ASSERT_TRUE(document.SaveCard(m_root / "card.orvantis", why)) << why;
    EXPECT_FALSE(document.IsModified());
    EXPECT_EQ(document.CardPath(), m_root / "card.orvantis");

    // The same photo placed twice is stored once; the first entry is the
    // stored media type.
    const std::vector<std::uint8_t> file = Bytes(m_root / "card.orvantis");
    EXPECT_TRUE(LooksLikeCardDocument(file.data(), file.size()));
    CardRecord record;
    ASSERT_TRUE(ReadCardDocument(file, record, why)) << why;
    ASSERT_EQ(record.photos.size(), 3u);
    const auto beach = std::find_if(record.photos.begin(), record.photos.end(),
                                    [](const SharedSourceFile& photo) { return photo->name == "beach.jpg"; });
    ASSERT_NE(beach, record.photos.end());
    EXPECT_EQ((*beach)->bytes, Bytes(m_root / "beach.jpg"));
    EXPECT_EQ(record.templateFile->bytes, Bytes(m_root / "tpl" / "this.tpl"));

    fs::remove(m_root / "beach.jpg");
    fs::remove(m_root / "portrait.png");
    fs::rename(m_root / "tpl", m_root / "renamed");
    CLumivexDoc reopened(m_root / "renamed");
    reopened.FitCardToView({300, 250}, true);
    ASSERT_TRUE(reopened.OpenCard(m_root / "card.orvantis", why)) << why;
    EXPECT_FALSE(reopened.CanUndo());
    EXPECT_FALSE(reopened.IsModified());
    EXPECT_EQ(Picture(reopened, "after.png"), before);
    const auto greeting = std::find_if(reopened.Card().GetElements().begin(), reopened.Card().GetElements().end(),
                                       [](const auto& element) {
                                           const auto* text = dynamic_cast<const TextEx*>(element.get());
                                           return text && text->GetText().find(u'\n') != std::u16string::npos;
                                       });
    ASSERT_NE(greeting, reopened.Card().GetElements().end());
    EXPECT_EQ(static_cast<const TextEx&>(**greeting).GetLook(), Greeting());
    // The reopened card is edited as any: a change counts, and undoes.
    reopened.Place(cardfixtures::Text(u"P.S.", {10, 10}));
    EXPECT_TRUE(reopened.IsModified());
    reopened.Undo();
    EXPECT_EQ(Picture(reopened, "undone.png"), before);
}

TEST_F(CardFiles, InAnotherViewTheCardIsFittedAsAResizeFitsIt)
{
    CLumivexDoc document(m_root / "tpl");
    Compose(document);
    std::string why;
    ASSERT_TRUE(document.SaveCard(m_root / "card.orvantis", why)) << why;
    document.FitCardToView({500, 420}, true);
    const std::vector<std::uint8_t> resized = Picture(document, "resized.png");

    CLumivexDoc other(m_root / "tpl");
    other.FitCardToView({500, 420}, true);
    ASSERT_TRUE(other.OpenCard(m_root / "card.orvantis", why)) << why;
    EXPECT_EQ(Picture(other, "other.png"), resized);
}

TEST_F(CardFiles, AFileThatCannotBeReadLeavesTheCardAsItWas)
{
    CLumivexDoc document(m_root / "tpl");
    Compose(document);
    const std::vector<std::uint8_t> before = Picture(document, "before.png");
    std::ofstream(m_root / "bad.orvantis") << "PK\x03\x04 nothing more";
    std::string why;
    EXPECT_FALSE(document.OpenCard(m_root / "bad.orvantis", why));
    EXPECT_NE(why.find("not a card"), std::string::npos) << why;
    EXPECT_FALSE(document.OpenCard(m_root / "missing.orvantis", why));
    EXPECT_EQ(why, "No such file or directory");
    EXPECT_EQ(Picture(document, "still.png"), before);
    EXPECT_TRUE(document.CardPath().empty());
    // A save into a folder that does not exist fails whole and names no file.
    EXPECT_FALSE(document.SaveCard(m_root / "no" / "card.orvantis", why));
    EXPECT_FALSE(fs::exists(m_root / "no"));
}

}  // namespace
