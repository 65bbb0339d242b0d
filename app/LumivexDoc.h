// The single document: it owns the card and the folder of the current
// template, fits the card into the view, places opened photos, starts new
// cards and saves the card as a picture or as the current template. It never
// shows a dialog or a message: those belong to the widgets that call it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "model/WorkArea.h"

class PxImage;

// What the document needs of its one view.
class CardViewPort {
public:
    virtual ~CardViewPort() = default;
    virtual SIZE GetClientSize() const = 0;
    // The card at the full resolution of its template; owned by the caller
    // (DeleteObject), null when it cannot be made.
    virtual HBITMAP RenderCardBitmap() = 0;
    // Told just before the document changes the card, so that the change
    // can be undone.
    virtual void RecordUndoStep() {}
};

class CLumivexDoc {
public:
    // Loads the default template from the skin folder; the card is fitted by
    // the view's first size change.
    explicit CLumivexDoc(std::filesystem::path skinFolder = DefaultSkinFolder());
    CLumivexDoc(const CLumivexDoc&) = delete;
    CLumivexDoc& operator=(const CLumivexDoc&) = delete;

    // <program folder>/res/skins: the skin pictures and the default template.
    static std::filesystem::path DefaultSkinFolder();

    void SetView(CardViewPort* view) { m_pView = view; }
    CardViewPort* GetView() const { return m_pView; }

    // Fits the card into the view's client area, never above 100%, centred;
    // scaleAll false brings only the template's elements to that scale.
    void FitCardToView(bool scaleAll);
    // Everything goes; the default template comes back, fitted.
    void NewCard();
    // A new photo a third of the card's displayed width wide (or its own
    // width if smaller), never taller than the card, at the top-left corner,
    // on top and selected. False when the photo cannot be placed.
    bool PlacePhoto(const PxImage& picture);

    // The format a card is saved in under this name (the extension in any
    // case): BMP, JPEG or PNG; 0 for any other name.
    static std::uint32_t CardFormatOf(const std::filesystem::path& path);
    // Renders the card at full resolution and saves it in the format of the
    // path's extension (any case). A failure leaves an existing file as it
    // was and says why in error; a success clears the modified flag.
    bool SaveCardImage(const std::filesystem::path& path, std::string& error);
    // this.tpl and thumb.jpg of the current template folder. A template of
    // the installed, read-only res folder is saved as the user's copy, which
    // becomes the current template folder. False with the reason in error.
    bool SaveTemplate(std::string& error);

    WorkArea m_workArea;
    std::filesystem::path m_strTemplateDir;

private:
    std::filesystem::path m_skinFolder;
    CardViewPort* m_pView = nullptr;
};
