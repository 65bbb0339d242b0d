// The main bar: always shown at the top of the window. New, Save, Photo,
// Template, Text and Help (with its menu); the view holds the button of the
// current mode down.
#pragma once

#include <QWidget>

#include "platform/Gdi.h"

class CLumivexView;
class PxImage;
class PxSkinButton;
class QMenu;

// Control and command ids of the bar and its Help menu.
constexpr int IDC_BTN_TEMPLATE = 1000;
constexpr int IDC_BTN_TEXT = 1001;
constexpr int IDC_BTN_PHOTO = 1002;
constexpr int IDC_BTN_NEW = 1009;
constexpr int IDC_BTN_SAVE = 1010;
constexpr int IDC_BTN_HELP = 1023;
constexpr int ID_HELP_TOPIC = 32771;
constexpr int ID_SOFTWARE_WEBSITE = 32772;
constexpr int ID_ABOUT = 32775;
constexpr int ID_DOWNLOAD_TEMPLATES = 32776;
constexpr int ID_PRINT = 32777;
constexpr int ID_UNDO = 32778;
constexpr int ID_REDO = 32779;

class CDlgBarMain : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 65;

    // background: tool_main.jpg, owned by the main frame (may be null).
    CDlgBarMain(CLumivexView& view, const Bitmap* background, QWidget* parent);

    PxSkinButton* Button(int id) const;

    // The bar's commands; the buttons, the menu and the frame's shortcuts
    // all come here.
    void OnNew();
    void OnSave();
    void OnPhoto();
    // Places the photo in the file as Photo does, offset pixels right and
    // down from there (photos dropped together step aside for each other).
    // Why a file cannot be read goes to error when given, else to a message box.
    bool OpenPhotoFile(const QString& path, LONG offset = 0, QString* error = nullptr);
    // A picture from elsewhere (the clipboard), placed the same way.
    bool PlacePicture(const PxImage& picture, LONG offset = 0);
    void OnMenuCommand(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CLumivexView& m_view;
    const Bitmap* m_background;
    PxSkinButton* m_btnHelp;
    PxSkinButton* m_btnTemplate;
    PxSkinButton* m_btnText;
    PxSkinButton* m_btnSave;
    PxSkinButton* m_btnPhoto;
    PxSkinButton* m_btnNew;
    QMenu* m_helpMenu;
};
