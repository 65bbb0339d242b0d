// Writes the installed template library: every design of LibraryDesigns.cpp
// becomes <root>/<category>/<name>/ with this.tpl and thumb.jpg, written by
// the program's own template writer and Save Template.
//   make_library <root>
#include <QGuiApplication>
#include <cstdio>
#include <filesystem>

#include "model/ImageEx.h"
#include "model/TemplateSave.h"
#include "model/TextEx.h"
#include "model/WorkArea.h"
#include "tools/LibraryArt.h"
#include "tools/PictureWriter.h"

namespace {

std::unique_ptr<TextEx> MakeText(const Caption& caption)
{
    LOGFONTW font{};
    font.lfHeight = -caption.em;
    font.lfWeight = caption.bold ? 700 : 400;
    font.lfItalic = caption.italic;
    std::u16string_view(caption.face).copy(font.lfFaceName, LF_FACESIZE - 1);
    const QColor& c = caption.colour;
    auto text = std::make_unique<TextEx>(font, RGB(c.red(), c.green(), c.blue()), caption.text);
    text->m_ptPos = {LONG(caption.centreX - text->GetSize().cx / 2.0 + 0.5), LONG(caption.top)};
    text->m_nKind = ELEMENT_TEMPLATE_TEXT;
    return text;
}

bool WriteDesign(const Design& design, const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);

    // The texts first: the ornaments keep clear of their measured boxes.
    std::vector<std::unique_ptr<TextEx>> texts;
    std::vector<QRectF> textBoxes;
    for (const Caption& caption : design.captions) {
        texts.push_back(MakeText(caption));
        const POINT at = texts.back()->GetPos();
        const SIZE size = texts.back()->GetSize();
        textBoxes.emplace_back(at.x, at.y, size.cx, size.cy);
    }
    const TemplateArt art = PaintTemplate(design, textBoxes);

    auto frame = std::make_unique<ImageEx>(ToPxImage(art.frame), ToPxImage(art.mask));
    frame->SetSize({design.size.width(), design.size.height()});
    frame->m_nKind = ELEMENT_TEMPLATE_FRAME;
    WorkArea card;
    card.AddElement(std::move(frame));
    for (auto& text : texts)
        card.AddElement(std::move(text));
    return SaveTemplate(card, folder);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_library <root>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const std::filesystem::path root = argv[1];
    for (const Design& design : LibraryDesigns()) {
        const std::filesystem::path folder = root / design.category / design.name;
        if (!WriteDesign(design, folder)) {
            std::fprintf(stderr, "make_library: cannot write the template %s\n", folder.c_str());
            return 1;
        }
    }
    return 0;
}
