#include "app/LumivexDoc.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "app/CardFile.h"
#include "app/ProgramFolder.h"
#include "app/ResFolders.h"
#include "image/PxImage.h"
#include "model/ImageEx.h"
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

void CLumivexDoc::FitCardToView(bool scaleAll)
{
    const SIZE card = m_workArea.GetFrameSize();
    const SIZE full = m_workArea.GetCardImageSize();
    if ((card.cx == 0 && card.cy == 0) || full.cx <= 0 || full.cy <= 0 || !m_pView)
        return;
    const SIZE client = m_pView->GetClientSize();
    if (client.cx <= 0 || client.cy <= 0)
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

void CLumivexDoc::NewCard()
{
    if (m_pView)
        m_pView->RecordUndoStep();
    m_workArea.Clear();
    m_strTemplateDir = m_skinFolder;
    m_workArea.LoadTemplate(m_strTemplateDir);
    FitCardToView(true);
}

bool CLumivexDoc::PlacePhoto(const PxImage& picture)
{
    if (!picture.IsValid())
        return false;
    const SIZE frame = m_workArea.GetFrameSize();
    const LONG pw = LONG(picture.GetWidth()), ph = LONG(picture.GetHeight());
    // Without a frame there is no card to size the photo by: it keeps its
    // own size.
    LONG w = frame.cx > 0 ? std::min(pw, frame.cx / 3) : pw;
    float s = float(w) / float(pw);
    LONG h = LONG(float(ph) * s);
    if (frame.cy > 0 && h > frame.cy) {
        h = frame.cy;
        s = float(frame.cy) / float(ph);
        w = LONG(float(pw) * s);
    }
    if (w <= 0 || h <= 0)
        return false;
    auto photo = std::make_unique<ImageEx>(picture, PxImage());
    photo->m_ptPos = {0, 0};
    photo->SetSize({w, h});
    if (!photo->m_imgWork.IsValid())
        return false;
    if (m_pView)
        m_pView->RecordUndoStep();
    m_workArea.AddElement(std::move(photo));
    return true;
}

std::uint32_t CLumivexDoc::CardFormatOf(const std::filesystem::path& path)
{
    std::string extension = GetFileExtension(path.filename());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    const std::uint32_t format = GetFormatFromExtension(extension);
    return format == FormatBmp || format == FormatJpg || format == FormatPng ? format : 0;
}

bool CLumivexDoc::SaveCardImage(const std::filesystem::path& path, std::string& error)
{
    const std::uint32_t format = CardFormatOf(path);
    if (format == 0) {
        error = "Cards are saved as BMP, JPEG or PNG files: give the name the extension .bmp, .jpg or .png.";
        return false;
    }
    HBITMAP bitmap = m_pView ? m_pView->RenderCardBitmap() : nullptr;
    if (!bitmap) {
        error = "The card could not be rendered at full resolution (not enough memory?).";
        return false;
    }
    const bool written = WriteCardBitmap(bitmap, path, format, error);
    DeleteObject(bitmap);
    if (!written)
        return false;
    m_workArea.SetModified(false);
    return true;
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
    if (made || !::SaveTemplate(m_workArea, folder)) {
        error = "The template could not be written to " + folder.string() + (made ? ": " + made.message() : ".");
        return false;
    }
    m_strTemplateDir = folder;
    return true;
}
