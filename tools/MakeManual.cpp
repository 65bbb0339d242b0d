// Writes the program's HTML manual from its source, with screenshots that
// the program's own windows give, so the pictures always show the program as
// it is built.
//   make_manual <manual source> <manual> <version>
//
// The source names each picture as @SHOT:name@ and the version as
// @VERSION@; every picture goes in as a PNG data: address, so the manual is
// one file that needs nothing beside it. This program must lie beside res/,
// like the program itself, because the windows read their skins from there.
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QSaveFile>
#include <cstdio>
#include <map>

#include "app/BitmapImage.h"
#include "ui/LumivexApp.h"
#include "app/ResFolders.h"
#include "bars/DlgBarMain.h"
#include "bars/DlgBarPhoto.h"
#include "bars/DlgBarTemplate.h"
#include "bars/DlgBarText.h"
#include "bars/DlgTemplateSel.h"
#include "controls/ColourButton.h"
#include "controls/ColourPalette.h"
#include "controls/PxSkinButton.h"
#include "controls/SizeComboBox.h"
#include "ui/MainFrame.h"
#include "view/EditEx.h"
#include "view/LumivexView.h"

namespace {

using Shots = std::map<QString, QImage>;

// A landscape to stand for the user's photo: sky, sun, hills and a lake.
QImage SamplePhoto()
{
    QImage photo(1200, 800, QImage::Format_RGB32);
    QPainter painter(&photo);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 520);
    sky.setColorAt(0, QColor(0x3d, 0x7e, 0xc9));
    sky.setColorAt(1, QColor(0xf6, 0xc7, 0x8f));
    painter.fillRect(photo.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xff, 0xe3, 0x8a));
    painter.drawEllipse(QPointF(820, 300), 90, 90);
    const QColor hills[] = {QColor(0x6b, 0x8f, 0x5e), QColor(0x4a, 0x72, 0x45)};
    for (int i = 0; i < 2; ++i) {
        QPainterPath ridge(QPointF(0, 800));
        ridge.lineTo(0, 470 + 40 * i);
        ridge.cubicTo(300, 360 + 60 * i, 700, 560 - 30 * i, 1200, 420 + 50 * i);
        ridge.lineTo(1200, 800);
        painter.setBrush(hills[i]);
        painter.drawPath(ridge);
    }
    QLinearGradient water(0, 620, 0, 800);
    water.setColorAt(0, QColor(0x7f, 0xb2, 0xd8));
    water.setColorAt(1, QColor(0x2f, 0x5f, 0x8e));
    painter.setBrush(water);
    painter.drawEllipse(QRectF(150, 620, 900, 260));
    return photo;
}

void Click(QWidget& widget, QPoint at)
{
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, QPointF(at), widget.mapToGlobal(QPointF(at)), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&widget, &event);
    }
    QApplication::processEvents();
}

// Types a text onto the card as a user does: the Text button, a click into
// the card, the letters and Enter, in the text bar's font, size and colour.
void AddText(CMainFrame& frame, QPoint at, const QString& text, int size, COLORREF colour)
{
    frame.GetMainBar().Button(IDC_BTN_TEXT)->click();
    frame.GetTextBar().findChild<CSizeComboBox*>()->SelectSize(size);
    frame.GetTextBar().findChild<CColourButton*>()->SetSelectedColour(colour);
    Click(frame.GetView(), at);
    CEditEx& editor = frame.GetView().GetEditor();
    editor.setText(text);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&editor, &enter);
    QApplication::processEvents();
}

// The left part of a bar, where its controls lie.
QImage BarControls(QWidget& bar, int width)
{
    return bar.grab(QRect(0, 0, width, bar.height())).toImage();
}

// The finished card (the photo below the frame, a text on it), then the same
// card with the photo selected and the photo bar shown.
void TakeWindowShots(CMainFrame& frame, Shots& shots)
{
    CLumivexView& view = frame.GetView();
    frame.GetMainBar().PlacePicture(PictureFromImage(SamplePhoto()));
    frame.GetView().GetDocument().FitSelectedPhoto();
    const QPoint photoCentre = view.mapFromGlobal(frame.mapToGlobal(QPoint(400, 300)));
    AddText(frame, view.mapFromGlobal(frame.mapToGlobal(QPoint(190, 160))), QStringLiteral("Summer by the lake"), 26,
            RGB(255, 255, 255));
    shots[QStringLiteral("window")] = frame.grab().toImage();

    Click(view, photoCentre);
    shots[QStringLiteral("window-photo")] = frame.grab().toImage();

    CDlgBarMain& mainBar = frame.GetMainBar();
    shots[QStringLiteral("main-bar")] =
        mainBar.grab(QRect(mainBar.width() - 400, 0, 400, mainBar.height())).toImage();
    QMenu* help = mainBar.Button(IDC_BTN_HELP)->PopupMenu();
    help->ensurePolished();
    help->adjustSize();
    shots[QStringLiteral("help-menu")] = help->grab().toImage();
    shots[QStringLiteral("photo-bar")] = BarControls(frame.GetPhotoBar(), 340);
    shots[QStringLiteral("template-bar")] = BarControls(frame.GetTemplateBar(), 410);
    shots[QStringLiteral("text-bar")] = BarControls(frame.GetTextBar(), 715);

    auto* colour = frame.GetTextBar().findChild<CColourButton*>();
    auto* palette = new CColourPalette(QPoint(0, 0), RGB(255, 255, 255), colour, QStringLiteral("Automatic"),
                                       QStringLiteral("More Colours..."));
    shots[QStringLiteral("colour-palette")] = palette->grab().toImage();
    delete palette;

    CDlgTemplateSel dialog(view.GetDocument(), TemplateRoots(), &frame);
    dialog.show();
    const int birthday = dialog.CategoryBox().findText(QStringLiteral("Birthday"));
    if (birthday >= 0)
        dialog.CategoryBox().setCurrentIndex(birthday);
    QApplication::processEvents();
    shots[QStringLiteral("template-dialog")] = dialog.grab().toImage();
    dialog.reject();
}

QString DataAddress(const QImage& picture)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
}

// The manual with every placeholder filled; false, with the names on
// stderr, when the source asks for a picture there is none of.
bool FillManual(QString& manual, const Shots& shots, const QString& version)
{
    manual.replace(QStringLiteral("@VERSION@"), version);
    bool ok = true;
    static const QRegularExpression placeholder(QStringLiteral("@SHOT:([a-z-]+)@"));
    QString filled;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& match : placeholder.globalMatch(manual)) {
        filled += manual.mid(done, match.capturedStart() - done);
        const auto shot = shots.find(match.captured(1));
        if (shot == shots.end() || shot->second.isNull()) {
            std::fprintf(stderr, "make_manual: no picture %s\n", qPrintable(match.captured(1)));
            ok = false;
        } else {
            filled += DataAddress(shot->second);
        }
        done = match.capturedEnd();
    }
    manual = filled + manual.mid(done);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_manual <manual source> <manual> <version>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make_manual: cannot read %s\n", argv[1]);
        return 1;
    }
    QString manual = QString::fromUtf8(source.readAll());

    Shots shots;
    {
        CLumivexApp program;
        CMainFrame* frame = StartMainFrame(program);
        if (!frame) {
            std::fprintf(stderr, "make_manual: the program's window cannot be made\n");
            return 1;
        }
        QApplication::processEvents();
        TakeWindowShots(*frame, shots);
    }

    if (!FillManual(manual, shots, QString::fromLocal8Bit(argv[3])))
        return 1;
    QSaveFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly) || out.write(manual.toUtf8()) < 0 || !out.commit()) {
        std::fprintf(stderr, "make_manual: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
