// The card being composed: its elements in painting order (index 0 at the
// bottom), the template frame, the selection, where the card sits in the
// view, and whether it has changed.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/ElementBase.h"
#include "model/SourceFile.h"

class PxFile;
class PxImage;
class TextEx;

class WorkArea {
public:
    using ElementList = std::vector<std::unique_ptr<ElementBase>>;

    WorkArea() = default;
    virtual ~WorkArea() = default;
    WorkArea(const WorkArea&) = delete;
    WorkArea& operator=(const WorkArea&) = delete;

    // Replaces the template's frame and texts with those of folder/this.tpl,
    // keeping the user's elements. A file without a frame changes nothing;
    // false then.
    bool LoadTemplate(const std::filesystem::path& folder);
    // The same from a template file's bytes (its name and thumbnail beside
    // them), which the frame keeps as its origin.
    bool LoadTemplate(const SharedSourceFile& file);

    // The template record file (see TemplateFile.cpp).
    static void ReadTemplateFile(ElementList& elements, const std::filesystem::path& path);
    // The same records from any stream, from its position to its end.
    static void ReadTemplateRecords(ElementList& elements, PxFile& file);
    // False when the file could not be written completely, with the reason
    // in why when given; an existing file is then left as it was.
    static bool WriteTemplateFile(const std::vector<ElementBase*>& elements, const std::filesystem::path& path,
                                  std::string* why = nullptr);
    // False when the record is cut short by the end of the file.
    static bool ReadImageRecord(PxImage& picture, PxFile& file);
    static bool WriteImageRecord(const PxImage& picture, PxFile& file);

    // Appends on top and selects; the work area owns the element.
    void AddElement(std::unique_ptr<ElementBase> element);
    void RemoveElement(ElementBase* element);
    void Clear();
    // Takes over a whole card (undo and redo): the frame and the selection
    // are given by their index in the list, -1 for none.
    void Restore(ElementList elements, std::ptrdiff_t frame, std::ptrdiff_t selected);
    TextEx* FindTextAt(POINT point) const;
    void SelectAt(POINT point);
    void SendToBack(ElementBase* element);
    // Bring every element (or only the template's) to a new displayed frame size.
    void ScaleAll(SIZE frameSize);
    void ScaleTemplateElements(SIZE frameSize);
    SIZE GetFrameSize() const;
    // The full-resolution card: the frame's source picture; (0, 0) without a frame.
    SIZE GetCardImageSize() const;

    const ElementList& GetElements() const { return m_elements; }
    ElementBase* GetSelected() const { return m_pSelected; }
    void SetSelected(ElementBase* element) { m_pSelected = element; }
    ElementBase* GetFrame() const { return m_pFrame; }
    POINT GetOrigin() const { return m_ptOrigin; }
    void SetOrigin(POINT origin) { m_ptOrigin = origin; }
    bool IsModified() const { return m_bModified; }
    // Cleared by a save; set by every edit, also those made on an element
    // directly (moving, rotating, text changes).
    void SetModified(bool modified) { m_bModified = modified; }

private:
    void Scale(SIZE frameSize, bool templateOnly);
    // Tells every element but the frame the card it is drawn on: the frame's box.
    void TellCanvas();

    ElementList m_elements;
    ElementBase* m_pSelected = nullptr;
    POINT m_ptOrigin{};
    ElementBase* m_pFrame = nullptr;
    bool m_bModified = false;
};
