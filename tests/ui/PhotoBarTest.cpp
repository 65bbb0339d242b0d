#include <gtest/gtest.h>

#include <QPushButton>

#include "app/LumivexDoc.h"
#include "bars/DlgBarPhoto.h"
#include "controls/PxSkinButton.h"
#include "model/ImageEx.h"
#include "tests/ui/SharedFrame.h"
#include "ui/MainFrame.h"
#include "view/LumivexView.h"

namespace {

using testtemplates::TemplateFolder;

class PhotoBar : public SharedFrame {
protected:
    ImageEx* Add(LONG w, LONG h)
    {
        auto photo = cardfixtures::Photo(w, h, {10, 10});
        ImageEx* raw = photo.get();
        m_document.Place(std::move(photo));
        m_frame.GetView().SetMode(MODE_PHOTO);
        return raw;
    }
    CDlgBarPhoto& Bar() { return m_frame.GetPhotoBar(); }
};

TEST_F(PhotoBar, ZoomStaysBetween11And999Pixels)
{
    ImageEx* photo = Add(600, 400);
    Bar().Button(IDC_PHOTO_ZOOM_OUT)->click();
    EXPECT_EQ(photo->GetSize(), (SIZE{900, 600}));
    Bar().Button(IDC_PHOTO_ZOOM_OUT)->click();  // 1350 x 900 is refused
    EXPECT_EQ(photo->GetSize(), (SIZE{900, 600}));
    EXPECT_EQ(m_frame.GetView().GetTracker().m_rect.right, m_document.Card().GetOrigin().x + 10 + 900);

    ImageEx* small = Add(15, 15);
    Bar().Button(IDC_PHOTO_ZOOM_IN)->click();  // 10 x 10 is not above 10
    EXPECT_EQ(small->GetSize(), (SIZE{15, 15}));
    ImageEx* other = Add(16, 16);
    Bar().Button(IDC_PHOTO_ZOOM_IN)->click();
    EXPECT_EQ(other->GetSize(), (SIZE{11, 11}));
}

TEST_F(PhotoBar, QuarterTurnsFlipsAndMirrorsComeBackToTheStart)
{
    ImageEx* photo = Add(60, 40);
    const PxImage before(photo->WorkPicture());
    auto same = [&] {
        const PxImage& now = photo->WorkPicture();
        return now.GetWidth() == before.GetWidth() && now.GetHeight() == before.GetHeight() &&
               std::equal(now.GetBits(), now.GetBits() + std::size_t(now.GetEffWidth()) * now.GetHeight(),
                          before.GetBits());
    };
    Bar().Button(IDC_PHOTO_ROTATE_RIGHT)->click();
    EXPECT_EQ(photo->GetSize(), (SIZE{40, 60}));
    for (int i = 0; i < 3; ++i)
        Bar().Button(IDC_PHOTO_ROTATE_RIGHT)->click();
    EXPECT_TRUE(same());
    Bar().Button(IDC_PHOTO_FLIP)->click();
    EXPECT_FALSE(same());
    Bar().Button(IDC_PHOTO_FLIP)->click();
    Bar().Button(IDC_PHOTO_MIRROR)->click();
    EXPECT_FALSE(same());
    Bar().Button(IDC_PHOTO_MIRROR)->click();
    EXPECT_TRUE(same());
}

TEST_F(PhotoBar, CommandsIgnoreTextsButDeleteRemovesThem)
{
    auto text = cardfixtures::Text(u"Hi", {5, 5});
    const ElementBase* raw = text.get();
    m_document.Place(std::move(text));
    const SIZE size = raw->GetSize();
    Bar().Button(IDC_PHOTO_ZOOM_OUT)->click();
    Bar().Button(IDC_PHOTO_ROTATE_RIGHT)->click();
    EXPECT_EQ(raw->GetSize(), size);
    Bar().Button(IDC_PHOTO_DELETE)->click();
    EXPECT_EQ(m_document.Card().GetElements().size(), 1u);
    EXPECT_EQ(m_frame.GetView().GetMode(), MODE_TEMPLATE);
}

}  // namespace

// The Fit button stands before the second separator, "On Top Most" after it.
TEST_F(PhotoBar, SecondSeparatorShowsBetweenFitAndOnTopMost)
{
    const QRect fit = Bar().Button(IDC_PHOTO_FIT)->geometry();
    auto* onTop = Bar().findChild<QPushButton*>();
    ASSERT_NE(onTop, nullptr);
    EXPECT_LT(fit.right(), CDlgBarPhoto::kSecondSeparator);
    EXPECT_GT(onTop->geometry().left(), CDlgBarPhoto::kSecondSeparator + 1);
    // The etched pair is painted there and left alone by the buttons.
    const QImage shot = Bar().grab().toImage();
    EXPECT_NE(shot.pixel(CDlgBarPhoto::kSecondSeparator, 16), shot.pixel(CDlgBarPhoto::kSecondSeparator + 1, 16));
}

TEST_F(PhotoBar, FitButtonCoversTheFramesWindowAsTheFKeyDoes)
{
    ImageEx* photo = Add(100, 50);
    Bar().Button(IDC_PHOTO_FIT)->click();
    // The window is 400..800 x 200..600: the 2:1 photo covers it, centred.
    EXPECT_EQ(photo->GetSize(), (SIZE{800, 400}));
    EXPECT_EQ(photo->GetPos().x, 200);
    EXPECT_EQ(photo->GetPos().y, 200);
}
