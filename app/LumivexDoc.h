// The single document and the card's only writer: it owns the card, the
// folder of the current template, the undo history and the one notion of
// "saved". Every change of the card is one of its operations, which records
// the undo step, marks the card modified and tells of the change through
// `changed`. It renders and saves the card by itself. It never shows a
// dialog or a message: those belong to the widgets that call it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>
#include <string>

#include <QObject>

#include "app/CardHistory.h"
#include "model/TemplateStore.h"
#include "model/TextLook.h"
#include "model/CardComposition.h"
#include "model/WorkArea.h"

class ImageEx;
struct BuiltCard;
struct CardRecord;
class MemoryCanvas;
class PxImage;
class TextEx;

// What a change asks of those who show the card.
enum class CardChange {
    Elements,   // something drawn changed: the selection's box, the picture and the status follow
    Selection,  // the document chose the selection (a placed photo, a deletion): the mode follows it
    Card,       // a whole other card (new card, undo, redo): everything starts from it afresh
};

class CLumivexDoc : public QObject {
    Q_OBJECT
public:
    // Loads the default template from the skin folder; the card is fitted by
    // the first FitCardToView.
    explicit CLumivexDoc(std::filesystem::path skinFolder = DefaultSkinFolder());

    // <program folder>/res/skins: the skin pictures and the default template.
    static std::filesystem::path DefaultSkinFolder();

    const WorkArea& Card() const { return m_workArea; }
    const std::filesystem::path& TemplateDir() const { return m_strTemplateDir; }

    // ---- the card in its view (no undo step, no change of "saved") ----
    // Fits the card into a client area of this size, never above 100%,
    // centred; scaleAll false brings only the template's elements to that
    // scale. The size is kept: steps and templates are fitted to it.
    void FitCardToView(SIZE client, bool scaleAll);
    // The element under a card point is selected and raised; a photo that
    // loses the selection sinks below the frame when sinkPhoto is set.
    void SelectAt(POINT card, bool sinkPhoto);
    void Select(const ElementBase* element);
    void ClearSelection(bool sinkPhoto);

    // ---- the card's operations: each is one undo step ----
    // Everything goes; the default template comes back, fitted.
    void NewCard();
    // Replaces the template's frame and texts; false (nothing changed) when
    // the folder holds no template.
    bool ApplyTemplate(const std::filesystem::path& folder);
    // Any element, on top and selected. A photo that loses the selection to
    // it sinks below the frame, in the same step, unless photos are kept on top.
    void Place(std::unique_ptr<ElementBase> element);
    // The photo bar's "On Top Most": photos that lose the selection stay above the frame.
    void KeepPhotosOnTop(bool keep) { m_keepPhotosOnTop = keep; }
    // A new photo a third of the card's displayed width wide (or its own
    // width if smaller), never taller than the card, at the top-left corner
    // moved by offset, on top and selected; the picture is taken over. False
    // when it cannot be placed.
    bool PlacePhoto(PxImage picture, LONG offset = 0, SharedSourceFile origin = {});
    // A text, deselected, with its box's top-left corner at a card point.
    void AddText(const LOGFONTW& font, COLORREF colour, const std::u16string& text, POINT at,
                 const TextLook& look = {});
    void DeleteSelection();
    // The arrow keys: by whole pixels, off the card too; a run of moves is one step.
    void MoveSelection(LONG dx, LONG dy);
    // The selection's new box in card coordinates (a drag of the tracker);
    // false when nothing changed.
    bool SetSelectionBounds(POINT pos, SIZE size);

    // The photo commands, on the selected photo only. A zoom that would make
    // the photo larger than 999 or smaller than 11 displayed pixels is refused.
    void ZoomSelectedPhoto(double factor);
    void MirrorSelectedPhoto();
    void FlipSelectedPhoto();
    void RotateSelectedPhoto(float degrees);
    // The selected photo, its proportions kept, covers the frame's window
    // under its centre, or the largest window.
    void FitSelectedPhoto();
    // ... or the window that holds a card point; elsewhere it stays.
    void FitSelectedPhotoIntoWindowAt(POINT card);

    // The text bar's commands, on the selected text only; where: 0 left,
    // 1 centred, 2 right on the card, which also places the text's lines
    // that way in its box.
    void SetSelectedTextColor(COLORREF colour);
    void SetSelectedTextHeight(LONG height);
    void SetSelectedTextFace(const std::u16string& face);
    void AlignSelectedText(int where);
    // The outline and the shadow; the text's lines stay where they stand.
    void SetSelectedTextOutline(const TextOutline& outline);
    void SetSelectedTextShadow(const TextShadow& shadow);
    // Takes a text off the card to be typed again: the AddText that puts it
    // back belongs to the same step when both happen in one gesture.
    void TakeText(const TextEx* text);

    // ---- undo and redo ----
    // A gesture (a drag, a rotation, typing a text) is one step: its first
    // change records the card as it was when the gesture began, later ones
    // record nothing. A gesture that changes nothing leaves no step.
    void BeginGesture();
    void EndGesture();
    bool CanUndo() const { return m_history.UndoCount() > 0; }
    bool CanRedo() const { return m_history.RedoCount() > 0; }
    void Undo();
    void Redo();
    const CardHistory& GetHistory() const { return m_history; }
    // Whether the card differs from the one last saved (a fresh card counts as saved).
    bool IsModified() const { return !m_history.IsAtSavedState(); }
    // The card as it is now counts as saved.
    void MarkSaved() { m_history.MarkSaved(); }
    // Back at the start of the history (every step undone), the steps are
    // dropped with the pictures they hold: the card starts a fresh history.
    void ClearHistory();

    // ---- pictures of the card ----
    // The card on a client-sized back buffer, made in the canvases given
    // (see ComposeCard).
    const MemoryCanvas* Compose(SIZE client, LONG handleSize, CardCanvases& canvases);
    // The card at the full resolution of its template; owned by the caller
    // (DeleteObject), null when it cannot be made.
    HBITMAP RenderCardBitmap();
    // Renders the card at full resolution and saves it in the card format of
    // the path's extension (any case, see CardFormatOf). A failure leaves an existing file as it
    // was and says why in error; a success marks the card saved.
    bool SaveCardImage(const std::filesystem::path& path, std::string& error);
    // this.tpl and thumb.jpg of the current template folder. A template of
    // the installed, read-only res folder is saved as the user's copy, which
    // becomes the current template folder. False with the reason in error.
    bool SaveTemplate(std::string& error);

    // ---- the card as a document (a card file) ----
    // Writes the card, its template and its photos' files to a card file,
    // atomically; a success marks the card saved and names it the card's file.
    bool SaveCard(const std::filesystem::path& path, std::string& error);
    // Replaces the card with the one in a card file, fitted to the view when
    // fit is set and the view's size differs from the one it was saved in; the
    // history starts afresh. A file that cannot be read leaves the card as it
    // was and says why in error.
    bool OpenCard(const std::filesystem::path& path, std::string& error, bool fit = true);
    // The card file the card was last opened from or saved to; empty for none.
    const std::filesystem::path& CardPath() const { return m_cardPath; }
    // The card's preview: at most maxSide pixels each way, as PNG bytes.
    std::vector<std::uint8_t> PreviewPng(LONG maxSide) const;

    // ---- kept behind the user's back (autosave and recovery) ----
    // Whether the card differs from the one last kept in a card file (a fresh
    // card counts as kept; a picture saved keeps no card).
    bool NeedsRecovery() const { return m_history.CurrentId() != m_keptId; }
    // The card as a record, cheaply: files shared, pictures without a file
    // left unencoded, nothing drawn.
    CardRecord Snapshot() const;
    // Puts back a card kept behind the user's back (its elements built from
    // the record): changed, with the card file it came from, a fresh history.
    void Recover(const CardRecord& record, BuiltCard built);

    // ---- the user's own templates ----
    // The card's frame and texts (as Save Template takes them) as a new
    // template root/category/name, which then is the current template
    // folder; the current template itself stays as it was. A name that
    // exists is replaced only when replace is set, else the result says
    // Exists and nothing is written.
    TemplateWriteResult SaveAsNewTemplate(const std::filesystem::path& root, std::string_view category,
                                          std::string_view name, bool replace);
    // A template folder was renamed: when it is the card's template, Save
    // Template writes into it under its new name (not a copy under the old).
    void TemplateFolderRenamed(const std::filesystem::path& from, const std::filesystem::path& to);
    // A template made elsewhere (from a picture) written the same way and
    // applied to the card at once, one undo step.
    TemplateWriteResult AddNewTemplate(const WorkArea& made, const std::filesystem::path& root,
                                       std::string_view category, std::string_view name, bool replace);

signals:
    void changed(CardChange change);

private:
    void Fit(bool scaleAll);
    CardState CaptureState() const;
    // Records the step a change starts from: the gesture's state inside a
    // gesture (once), else the card as it is now.
    void RecordStep(bool mergeable = false);
    // A change of the whole card ends any gesture first: it is a step of its own.
    void RecordWholeStep();
    void PutBack(CardState state);
    // Runs a change of the selected element when it is a T, as one step.
    template <typename T>
    void EditSelected(const std::function<void(T&)>& change);
    // The selected photo covers the window chosen among the frame's.
    void FitSelectedPhotoInto(const std::function<const RECT*(const std::vector<RECT>&)>& choose);
    void Changed(CardChange change) { emit changed(change); }
    // Takes over a card built from a record, as Open Card and recovery do.
    void Adopt(const CardRecord& record, BuiltCard built, bool fit);
    // Sends a photo that lost the selection below everything; true when that
    // changed the card's order.
    bool SinkPhoto(ElementBase* element);

    WorkArea m_workArea;
    std::filesystem::path m_strTemplateDir;
    std::filesystem::path m_skinFolder;
    std::filesystem::path m_cardPath;
    std::uint64_t m_keptId = 0;  // the history's name of the card last kept in a card file
    SIZE m_client{};  // the client area the card was last fitted into
    CardHistory m_history;
    std::optional<CardState> m_gestureStart;
    bool m_inGesture = false;
    bool m_keepPhotosOnTop = false;
};
