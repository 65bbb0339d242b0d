#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include <QSignalSpy>

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

TEST(LumivexDoc, PhotoScaleIsSingleButItsProductsAreDouble)
{
    // 100 x 1000 on a card shown 600 x 450: s = 450 / 1000 = 0.449999988f,
    // and 100 s = 44.9999988 in double (45 in single precision).
    TemplateFolder folder(600, 450, {10, 10, 50, 50});
    CLumivexDoc document(folder.Path());
    ASSERT_TRUE(document.PlacePhoto(PxImage(100, 1000, 24, FormatBmp)));
    EXPECT_EQ(document.Card().GetSelected()->GetSize(), (SIZE{44, 450}));
}

// A 1200 x 800 card shown 600 x 400, a selected photo on it, just saved.
class DocumentEdits : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.Written());
        m_document.FitCardToView({600, 400}, true);
        m_document.Place(cardfixtures::Photo(120, 80, {30, 40}));
        m_document.MarkSaved();
    }
    std::size_t Steps() const { return m_document.GetHistory().UndoCount(); }
    const ElementBase* Selected() const { return m_document.Card().GetSelected(); }

    TemplateFolder m_folder{1200, 800, {400, 200, 800, 600}};
    CLumivexDoc m_document{m_folder.Path()};
};

TEST_F(DocumentEdits, EachOperationIsOneStepAndOneNotice)
{
    const std::pair<const char*, std::function<void(CLumivexDoc&)>> operations[] = {
        {"zoom", [](CLumivexDoc& d) { d.ZoomSelectedPhoto(1.5); }},
        {"mirror", [](CLumivexDoc& d) { d.MirrorSelectedPhoto(); }},
        {"flip", [](CLumivexDoc& d) { d.FlipSelectedPhoto(); }},
        {"rotate", [](CLumivexDoc& d) { d.RotateSelectedPhoto(90); }},
        {"fit", [](CLumivexDoc& d) { d.FitSelectedPhoto(); }},
        {"move", [](CLumivexDoc& d) { d.MoveSelection(4, 0); }},
        {"bounds", [](CLumivexDoc& d) { d.SetSelectionBounds({1, 2}, {60, 40}); }},
        {"delete", [](CLumivexDoc& d) { d.DeleteSelection(); }},
        {"text", [](CLumivexDoc& d) { d.AddText(cardfixtures::LogFont(u"Arial", -20), 0, u"Hi", {5, 5}); }},
        {"template", [this](CLumivexDoc& d) { d.ApplyTemplate(m_folder.Path()); }},
        {"new", [](CLumivexDoc& d) { d.NewCard(); }},
    };
    for (const auto& [name, operation] : operations) {
        m_document.MarkSaved();
        const std::size_t before = Steps();
        QSignalSpy notices(&m_document, &CLumivexDoc::changed);
        operation(m_document);
        EXPECT_EQ(Steps(), before + 1) << name;
        EXPECT_EQ(notices.count(), 1) << name;
        EXPECT_TRUE(m_document.IsModified()) << name;
    }
    // Undone to where it was saved, the card is the saved one again.
    m_document.Undo();
    EXPECT_FALSE(m_document.IsModified());
}

TEST_F(DocumentEdits, AGestureIsOneStepAndNoneWhenNothingChanged)
{
    const std::size_t before = Steps();
    m_document.BeginGesture();
    for (int i = 0; i < 5; ++i)
        m_document.RotateSelectedPhoto(3);
    m_document.EndGesture();
    EXPECT_EQ(Steps(), before + 1);
    m_document.Undo();
    EXPECT_EQ(static_cast<const ImageEx*>(Selected())->m_fAngle, 0.0f);

    m_document.BeginGesture();
    EXPECT_FALSE(m_document.SetSelectionBounds(Selected()->GetPos(), Selected()->GetSize()));
    m_document.EndGesture();
    EXPECT_EQ(Steps(), before);
    EXPECT_FALSE(m_document.IsModified());

    // A change of the whole card inside a gesture is a step of its own.
    m_document.BeginGesture();
    m_document.RotateSelectedPhoto(3);
    m_document.NewCard();
    EXPECT_EQ(Steps(), before + 2);
}

TEST_F(DocumentEdits, ClearedHistoryHoldsNoStepAndCountsAsSaved)
{
    m_document.RotateSelectedPhoto(90);
    m_document.Undo();
    ASSERT_TRUE(m_document.CanRedo());
    m_document.ClearHistory();
    EXPECT_FALSE(m_document.CanUndo());
    EXPECT_FALSE(m_document.CanRedo());
    EXPECT_FALSE(m_document.IsModified());
    m_document.MoveSelection(1, 0);
    EXPECT_TRUE(m_document.IsModified());
}

TEST_F(DocumentEdits, SelectingRaisesWithoutAStepAndADeselectedPhotoSinks)
{
    const ElementBase* photo = Selected();
    m_document.ClearSelection(false);
    EXPECT_EQ(m_document.Card().GetElements().back().get(), photo);  // kept on top
    EXPECT_FALSE(m_document.IsModified());
    m_document.SelectAt({40, 50}, true);
    ASSERT_EQ(Selected(), photo);
    EXPECT_EQ(Steps(), 1u);            // only the placing
    EXPECT_TRUE(m_document.IsModified());  // but raised
    m_document.SelectAt({590, 390}, true);  // the frame: nothing there to select
    EXPECT_EQ(Selected(), nullptr);
    EXPECT_EQ(m_document.Card().GetElements().front().get(), photo);
}

// Photos placed one after another: each that loses the selection to the
// next sinks below the frame, in the step that placed the next, unless
// photos are kept on top.
TEST_F(DocumentEdits, PhotosPlacedInARowSinkBelowTheFrame)
{
    const ElementBase* first = Selected();
    ASSERT_TRUE(m_document.PlacePhoto(PxImage(30, 30, 24, FormatBmp), 20));
    const ElementBase* second = Selected();
    ASSERT_TRUE(m_document.PlacePhoto(PxImage(30, 30, 24, FormatBmp), 40));
    EXPECT_TRUE(m_document.IsModified());
    const auto& elements = m_document.Card().GetElements();
    auto index = [&](const ElementBase* element) {
        return std::find_if(elements.begin(), elements.end(), [&](const auto& e) { return e.get() == element; }) -
               elements.begin();
    };
    const auto frame = index(m_document.Card().GetFrame());
    EXPECT_LT(index(first), frame);
    EXPECT_LT(index(second), frame);
    EXPECT_EQ(index(Selected()), std::ptrdiff_t(elements.size()) - 1);
    // The sinking was part of the step undone: the second photo is back on
    // top and selected (the card's elements are the history's copies now).
    m_document.Undo();
    const ElementBase* back = Selected();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->m_ptPos.x, 20);
    EXPECT_GT(index(back), index(m_document.Card().GetFrame()));
    m_document.KeepPhotosOnTop(true);
    ASSERT_TRUE(m_document.PlacePhoto(PxImage(30, 30, 24, FormatBmp), 60));
    EXPECT_GT(index(back), index(m_document.Card().GetFrame()));
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
    EXPECT_EQ(error, taken.string() + " is a folder");
    std::string content;
    std::ifstream(taken / "inside") >> content;
    EXPECT_EQ(content, "precious");
    EXPECT_TRUE(m_document.IsModified());
    // The system's reason in words: the folder that is not there is named.
    EXPECT_FALSE(m_document.SaveCardImage(Out("missing/card.png"), error));
    EXPECT_EQ(error, "the folder " + Out("missing").string() + " does not exist");
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
