#include "app/LumivexDoc.h"

#include "app/CardFile.h"
#include "app/FileFormats.h"
#include "app/ResFolders.h"
#include "app/PhotoFile.h"
#include "image/PxImage.h"
#include "model/CardComposition.h"
#include "model/CardDocument.h"
#include "model/CardRecord.h"
#include "model/CardRender.h"
#include "model/TemplateSave.h"

CLumivexDoc::CLumivexDoc(std::filesystem::path skinFolder) : m_skinFolder(std::move(skinFolder))
{
    m_workArea.LoadTemplate(m_skinFolder);
    m_strTemplateDir = m_skinFolder;
}

std::filesystem::path CLumivexDoc::DefaultSkinFolder()
{
    // An installed program's default card saved as a template lives in the
    // user's copy of the skin folder.
    const std::filesystem::path user = UserResFolder() / "skins";
    std::error_code error;
    if (!UserResFolder().empty() && WritableResFolder() != InstalledResFolder() &&
        std::filesystem::is_regular_file(user / "this.tpl", error))
        return user;
    return InstalledResFolder() / "skins";
}

// ---- the card in its view ----

void CLumivexDoc::FitCardToView(SIZE client, bool scaleAll)
{
    m_client = client;
    Fit(scaleAll);
    Changed(CardChange::Elements);
}

void CLumivexDoc::Fit(bool scaleAll)
{
    const SIZE card = m_workArea.GetFrameSize();
    const SIZE full = m_workArea.GetCardImageSize();
    const SIZE client = m_client;
    if ((card.cx == 0 && card.cy == 0) || full.cx <= 0 || full.cy <= 0 || client.cx <= 0 || client.cy <= 0)
        return;
    const double W = full.cx, H = full.cy, cw = client.cx, ch = client.cy;
    SIZE fitted;
    if (ch / H >= cw / W)
        fitted = {client.cx, LONG(H / W * cw + 0.5)};
    else
        fitted = {LONG(W / H * ch + 0.5), client.cy};
    // Never above the template's own resolution.
    if (fitted.cx >= full.cx || fitted.cy >= full.cy)
        fitted = full;
    if (scaleAll)
        m_workArea.ScaleAll(fitted);
    else
        m_workArea.ScaleTemplateElements(fitted);
    m_workArea.SetOrigin({LONG((client.cx - fitted.cx) * 0.5), LONG((client.cy - fitted.cy) * 0.5)});
}

// ---- whole cards ----

void CLumivexDoc::NewCard()
{
    RecordWholeStep();
    m_workArea.Clear();
    m_cardPath.clear();
    m_strTemplateDir = m_skinFolder;
    m_workArea.LoadTemplate(m_strTemplateDir);
    Fit(true);
    // A fresh card needs no keeping behind the user's back.
    m_keptId = m_history.CurrentId();
    Changed(CardChange::Card);
}

bool CLumivexDoc::ApplyTemplate(const std::filesystem::path& folder)
{
    EndGesture();
    // A template that cannot be read leaves the card and its folder as they were.
    CardState before = CaptureState();
    if (!m_workArea.LoadTemplate(folder))
        return false;
    m_history.Record(std::move(before));
    m_strTemplateDir = folder;
    Fit(false);
    Changed(CardChange::Elements);
    return true;
}

// ---- undo and redo ----

CardState CLumivexDoc::CaptureState() const
{
    return CaptureCard(m_workArea, m_strTemplateDir, m_client);
}

void CLumivexDoc::RecordStep(bool mergeable)
{
    if (m_inGesture) {
        if (m_gestureStart)
            m_history.Record(std::move(*m_gestureStart));
        m_gestureStart.reset();
        return;
    }
    m_history.Record(mergeable && m_history.WouldMerge() ? CardState() : CaptureState(), mergeable);
}

void CLumivexDoc::RecordWholeStep()
{
    EndGesture();
    RecordStep();
}

void CLumivexDoc::BeginGesture()
{
    m_gestureStart = CaptureState();
    m_inGesture = true;
}

void CLumivexDoc::EndGesture()
{
    m_gestureStart.reset();
    m_inGesture = false;
}

void CLumivexDoc::Undo()
{
    EndGesture();
    if (auto state = m_history.Undo(CaptureState()))
        PutBack(std::move(*state));
}

void CLumivexDoc::Redo()
{
    EndGesture();
    if (auto state = m_history.Redo(CaptureState()))
        PutBack(std::move(*state));
}

void CLumivexDoc::ClearHistory()
{
    EndGesture();
    m_history.Clear();
    Changed(CardChange::Elements);
}

void CLumivexDoc::PutBack(CardState state)
{
    const SIZE client = state.client;
    RestoreCard(m_workArea, m_strTemplateDir, std::move(state));
    // Taken at another size of the view: fitted to this one.
    if (!(client == m_client))
        Fit(true);
    Changed(CardChange::Card);
}

// ---- pictures of the card ----

const MemoryCanvas* CLumivexDoc::Compose(SIZE client, LONG handleSize, CardCanvases& canvases)
{
    return ComposeCard(m_workArea, client, handleSize, canvases);
}

HBITMAP CLumivexDoc::RenderCardBitmap()
{
    return ::RenderCardBitmap(m_workArea);
}

bool CLumivexDoc::SaveCardImage(const std::filesystem::path& path, std::string& error)
{
    const std::uint32_t format = CardFormatOf(path);
    if (format == 0) {
        error = "Cards are saved as " + CardFormatNamesText() + " files: give the name the extension " +
                CardExtensionsText() + ".";
        return false;
    }
    HBITMAP bitmap = RenderCardBitmap();
    if (!bitmap) {
        error = "The card could not be rendered at full resolution (not enough memory?).";
        return false;
    }
    const bool written = WriteCardBitmap(bitmap, path, format, error);
    DeleteObject(bitmap);
    if (!written)
        return false;
    MarkSaved();
    return true;
}

// ---- the card as a document ----

namespace {

// The template folder a card file names, when it still holds the very
// template the card carries; Save Template then writes there again.
bool HoldsTemplate(const std::filesystem::path& folder, const SourceFile& carried)
{
    std::string why;
    const SharedSourceFile there = folder.empty() ? nullptr : ReadSourceFile(folder / "this.tpl", why);
    return there && there->bytes == carried.bytes;
}

}  // namespace

std::vector<std::uint8_t> CLumivexDoc::PreviewPng(LONG maxSide) const
{
    HBITMAP bitmap = RenderCardPreview(m_workArea, maxSide);
    PxImage preview;
    SourceFile png;
    if (bitmap && preview.CreateFromHBITMAP(bitmap))
        EncodeLosslessly(preview, png);
    DeleteObject(bitmap);
    return png.bytes;
}

bool CLumivexDoc::SaveCard(const std::filesystem::path& path, std::string& error)
{
    EndGesture();
    CardRecord record;
    if (!RecordCard(m_workArea, m_client, m_strTemplateDir.string(), EncodeLosslessly, record, error) ||
        !WriteCardDocument(record, PreviewPng(kCardPreviewSide), path, error))
        return false;
    m_cardPath = path;
    MarkSaved();
    m_keptId = m_history.CurrentId();
    Changed(CardChange::Elements);
    return true;
}

bool CLumivexDoc::OpenCard(const std::filesystem::path& path, std::string& error, bool fit)
{
    const std::shared_ptr<SourceFile> file = ReadSourceFile(path, error);
    CardRecord record;
    BuiltCard built;
    if (!file || !ReadCardDocument(std::move(file->bytes), record, error) ||
        !BuildCard(record, DecodePhoto, built, error))
        return false;
    record.cardFile = path.string();
    Adopt(record, std::move(built), fit);
    m_keptId = m_history.CurrentId();
    Changed(CardChange::Card);
    return true;
}

void CLumivexDoc::Adopt(const CardRecord& record, BuiltCard built, bool fit)
{
    EndGesture();
    m_workArea.Restore(std::move(built.elements), built.frame, built.selected);
    m_workArea.SetOrigin(record.origin);
    m_strTemplateDir = HoldsTemplate(record.templateFolder, *record.templateFile)
                           ? std::filesystem::path(record.templateFolder)
                           : m_skinFolder;
    m_history.Clear();
    m_cardPath = record.cardFile;
    // Saved in a view of another size: fitted to this one as a resize would.
    if (!fit || m_client.cx <= 0 || m_client.cy <= 0)
        m_client = record.client;
    else if (!(record.client == m_client))
        Fit(true);
}

CardRecord CLumivexDoc::Snapshot() const
{
    CardRecord record;
    std::string why;
    RecordCard(m_workArea, m_client, m_strTemplateDir.string(), nullptr, record, why);
    record.cardFile = m_cardPath.string();
    return record;
}

void CLumivexDoc::Recover(const CardRecord& record, BuiltCard built)
{
    Adopt(record, std::move(built), true);
    // Not the card any file holds: changed, and kept behind the user's back again.
    m_history.NoteChange();
    Changed(CardChange::Card);
}

bool CLumivexDoc::SaveTemplate(std::string& error)
{
    std::filesystem::path folder = m_strTemplateDir;
    if (!IsWritableFolder(folder)) {
        // An installed template: the user's copy takes the changes.
        const std::filesystem::path relative = folder.lexically_relative(InstalledResFolder());
        const std::filesystem::path user = UserResFolder();
        if (relative.empty() || *relative.begin() == ".." || user.empty() || !IsWritableFolder(user / relative)) {
            error = "The template folder " + folder.string() + " cannot be written.";
            return false;
        }
        folder = user / relative;
    }
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    std::string why = made ? made.message() : std::string();
    if (made || !::SaveTemplate(m_workArea, folder, &why)) {
        error = "The template could not be written to " + folder.string() + ": " + why + ".";
        return false;
    }
    m_strTemplateDir = folder;
    return true;
}

// ---- the user's own templates ----

TemplateWriteResult CLumivexDoc::SaveAsNewTemplate(const std::filesystem::path& root, std::string_view category,
                                                   std::string_view name, bool replace)
{
    TemplateWriteResult result = WriteNewTemplate(m_workArea, root, category, name, replace);
    if (result.Succeeded())
        m_strTemplateDir = result.folder;
    return result;
}

void CLumivexDoc::TemplateFolderRenamed(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (m_strTemplateDir.lexically_normal() == from.lexically_normal())
        m_strTemplateDir = to;
}

TemplateWriteResult CLumivexDoc::AddNewTemplate(const WorkArea& made, const std::filesystem::path& root,
                                                std::string_view category, std::string_view name, bool replace)
{
    TemplateWriteResult result = WriteNewTemplate(made, root, category, name, replace);
    if (result.Succeeded() && !ApplyTemplate(result.folder)) {
        result.status = TemplateWriteStatus::Failed;
        result.message = "The template was saved in " + result.folder.string() + " but cannot be read back.";
    }
    return result;
}
