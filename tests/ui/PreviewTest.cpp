#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QAbstractFileIconProvider>
#include <QFileInfo>
#include <QGridLayout>

#include "app/LumivexDoc.h"
#include "controls/PreviewFileDlg.h"
#include "controls/StaticEx.h"
#include "tests/app/TemplateFolder.h"
#include "tests/ui/SkinPictures.h"

namespace {

using testtemplates::TemplateFolder;

using skintest::At;
using skintest::Shot;

const QColor kTop(220, 40, 40);
const QColor kBottom(40, 40, 220);

skintest::Painter Halves(int h)
{
    return [h](int, int y) { return y < h / 2 ? kTop : kBottom; };
}

// A pane whose picture box (inside its frame) is w x h.
void SizeBox(CStaticEx& pane, int w, int h)
{
    const QMargins frame = pane.contentsMargins();
    pane.resize(w + frame.left() + frame.right(), h + frame.top() + frame.bottom());
}

// The fitted picture on white, its top half on top.
TEST(StaticEx, FitsThePictureIntoTheBox)
{
    struct Case {
        int w, h;
        QRect expected;  // in the 100 x 120 box
    };
    // 7 x 112: s = 1.0714285f, 7 s + 0.5 = 7.99999994 in double (8 in single precision).
    const Case cases[] = {{400, 100, {0, 47, 100, 25}},
                          {10, 10, {0, 10, 100, 100}},
                          {30, 120, {35, 0, 30, 120}},
                          {7, 112, {46, 0, 7, 120}}};
    skintest::SkinFolder folder;
    for (const Case& c : cases) {
        const std::string name = std::to_string(c.w) + "x" + std::to_string(c.h);
        CStaticEx pane;
        SizeBox(pane, 100, 120);
        ASSERT_TRUE(pane.SetImageFile(folder.Write(name + ".bmp", c.w, c.h, Halves(c.h)))) << name;
        const QPoint box = pane.contentsRect().topLeft();
        const QRect r = c.expected.translated(box);
        ASSERT_EQ(pane.PreviewRect(), r) << name;
        const QImage shot = Shot(pane);
        const int mx = r.left() + r.width() / 2;
        EXPECT_EQ(At(shot, mx, r.top()), kTop) << name;
        EXPECT_EQ(At(shot, mx, r.bottom()), kBottom) << name;
        // Two rows above the middle: the scale is a float but the source row
        // a double product, so where a row boundary falls exactly on a
        // pixel (10 to 100: 50 x 0.1f = 5.0000000745) the lower half starts
        // a row early.
        EXPECT_EQ(At(shot, r.left(), r.top() + r.height() / 2 - 2), kTop) << name;
        EXPECT_EQ(At(shot, r.right(), r.top() + r.height() / 2), kBottom) << name;
        if (r.top() > box.y()) {
            EXPECT_EQ(At(shot, mx, r.top() - 1), QColor(Qt::white)) << name;
            EXPECT_EQ(At(shot, mx, r.bottom() + 1), QColor(Qt::white)) << name;
        }
        if (r.left() > box.x()) {
            EXPECT_EQ(At(shot, r.left() - 1, r.top()), QColor(Qt::white)) << name;
            EXPECT_EQ(At(shot, r.right() + 1, r.top()), QColor(Qt::white)) << name;
        }
    }
}

// What is not a readable picture keeps the previous one; a named pipe is
// not even opened (reading it would block the dialog).
TEST(StaticEx, KeepsThePictureWhenTheFileIsNotOne)
{
    skintest::SkinFolder folder;
    CStaticEx pane;
    SizeBox(pane, 100, 120);
    ASSERT_TRUE(pane.SetImageFile(folder.Write("shown.bmp", 8, 4, Halves(4))));
    const std::filesystem::path text = folder.Path() / "notes.jpg";
    std::FILE* f = std::fopen(text.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a picture", f);
    std::fclose(f);
    const std::filesystem::path pipe = folder.Path() / "pipe.png";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::filesystem::path& path : {text, pipe, folder.Path(), folder.Path() / "missing.png"}) {
        EXPECT_FALSE(pane.SetImageFile(path)) << path;
        EXPECT_EQ(pane.Image().GetWidth(), 8u) << path;
    }
    pane.Clear();
    EXPECT_FALSE(pane.Image().IsValid());
    EXPECT_TRUE(pane.PreviewRect().isEmpty());
}

// A card file shows the preview it keeps, at the preview's own size.
TEST(StaticEx, ShowsACardFilesPreview)
{
    skintest::SkinFolder folder;
    TemplateFolder card(300, 200, {50, 40, 250, 160});
    CLumivexDoc document(card.Path());
    document.FitCardToView({300, 200}, true);
    std::string why;
    ASSERT_TRUE(document.SaveCard(folder.Path() / "card.orvantis", why)) << why;
    CStaticEx pane;
    SizeBox(pane, 100, 120);
    ASSERT_TRUE(pane.SetImageFile(folder.Path() / "card.orvantis"));
    EXPECT_EQ(pane.Image().GetWidth(), 256u);
    EXPECT_EQ(pane.Image().GetHeight(), 171u);
}

TEST(PreviewFileDlg, TranslatesTheFilterIntoNameFilters)
{
    struct Case {
        const char* filter;
        QStringList expected;
    };
    const Case cases[] = {
        {"support files|*.bmp;*.jpg|BMP files (*.bmp)|*.bmp||",
         {QStringLiteral("support files (*.bmp *.jpg)"), QStringLiteral("BMP files (*.bmp)")}},
        // The description's own list gives way to the real patterns.
        {"TIFF files (*.tiff,*.tif)|*.tiff;*.tif|JP2 files(*.j2k;*.jp2)|*.j2k;*.jp2||",
         {QStringLiteral("TIFF files (*.tiff *.tif)"), QStringLiteral("JP2 files (*.j2k *.jp2)")}},
        // Everything after the empty description is ignored, as is a
        // description without patterns.
        {"All|*.*||Later|*.x|", {QStringLiteral("All (*.*)")}},
        {"Lonely", {}},
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameFiltersFromFilter(QString::fromLatin1(c.filter)), c.expected) << c.filter;
}

TEST(PreviewFileDlg, PreviewsTheSelectionAndEmptiesOnAFolderChange)
{
    skintest::SkinFolder folder;
    const std::filesystem::path picture = folder.Write("photo.bmp", 12, 6, Halves(6));
    CPreviewFileDlg dialog(true, QStringLiteral("*.bmp"), QString(), QStringLiteral("BMP files (*.bmp)|*.bmp||"));
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog.nameFilters(), QStringList{QStringLiteral("BMP files (*.bmp)")});
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("bmp"));
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    ASSERT_NE(grid, nullptr);
    EXPECT_GE(grid->indexOf(&dialog.Preview()), 0) << "the pane sits in the dialog's layout";

    // The signals the dialog sends as the user moves through the list.
    emit dialog.currentChanged(QString::fromStdString(picture.string()));
    ASSERT_TRUE(dialog.Preview().Image().IsValid());
    EXPECT_EQ(dialog.Preview().Image().GetWidth(), 12u);
    emit dialog.currentChanged(QString());
    EXPECT_TRUE(dialog.Preview().Image().IsValid()) << "no selection keeps the picture";

    emit dialog.directoryEntered(QStringLiteral("/"));
    EXPECT_FALSE(dialog.Preview().Image().IsValid());
    EXPECT_TRUE(dialog.GetPathName().isEmpty()) << "nothing was accepted";
}

// The list names types by file name, never by reading the file: a PNG
// without an extension is of no known type.
TEST(PreviewFileDlg, ListsTypesWithoutReadingTheFiles)
{
    skintest::SkinFolder folder;
    PxImage png(4, 4, 24);
    const std::filesystem::path disguised = folder.Path() / "picture";
    ASSERT_TRUE(png.Save(disguised, FormatPng));
    CPreviewFileDlg dialog(true, QString(), QString(), QString());
    ASSERT_NE(dialog.iconProvider(), nullptr);
    const QString type = dialog.iconProvider()->type(QFileInfo(QString::fromStdString(disguised.string())));
    EXPECT_FALSE(type.contains(QStringLiteral("PNG"), Qt::CaseInsensitive)) << type.toStdString();
}

}  // namespace
