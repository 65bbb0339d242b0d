// The main bar: always shown at the top of the window. Card (its menu opens
// and saves card files), New, Save, Photo, Template, Text and Help (with its
// menu), each button and menu item one of the program's commands; the view
// holds the button of the current mode down.
#pragma once

#include <QWidget>

#include "image/PxImage.h"
#include "platform/Gdi.h"

class CLumivexDoc;
class QAction;
struct CardCommands;
class PxSkinButton;
class QMenu;
struct SkinBitmap;

// Control and command ids of the bar and its Help menu.
constexpr int IDC_BTN_TEMPLATE = 1000;
constexpr int IDC_BTN_TEXT = 1001;
constexpr int IDC_BTN_PHOTO = 1002;
constexpr int IDC_BTN_NEW = 1009;
constexpr int IDC_BTN_SAVE = 1010;
constexpr int IDC_BTN_HELP = 1023;
constexpr int IDC_BTN_CARD = 1024;

class CDlgBarMain : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 65;

    // background: tool_main.jpg, owned by the main frame (may be null).
    CDlgBarMain(CLumivexDoc& document, const CardCommands& commands, const SkinBitmap* background, QWidget* parent);

    PxSkinButton* Button(int id) const;

    // The Photo command: the file dialog, then the photo placed.
    void OnPhoto();
    // Places the photo in the file as Photo does, offset pixels right and
    // down from there (photos dropped together step aside for each other).
    // Why a file cannot be read goes to error when given, else to a message box.
    bool OpenPhotoFile(const QString& path, LONG offset = 0, QString* error = nullptr);
    // A picture from elsewhere (the clipboard), placed the same way.
    bool PlacePicture(PxImage picture, LONG offset = 0);
    // The Card button's menu: the card file commands and the recent cards.
    QMenu* CardMenu() const { return m_cardMenu; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CLumivexDoc& m_document;
    const SkinBitmap* m_background;
    PxSkinButton* m_btnHelp;
    PxSkinButton* m_btnTemplate;
    PxSkinButton* m_btnText;
    PxSkinButton* m_btnSave;
    PxSkinButton* m_btnPhoto;
    PxSkinButton* m_btnNew;
    PxSkinButton* m_btnCard;
    QMenu* m_helpMenu;
    QMenu* m_cardMenu;
};
