// The user's own templates, as the user makes them: a picture chosen (or
// dropped) and checked, the name dialog, the question before replacing a
// template of the same name, the messages when something is refused; and
// the export of the current template or its category as a package. Each
// writes into root, the folder of the user's templates (WritableTemplateRoot).
#pragma once

#include <filesystem>
#include <vector>

#include <QString>

class CLumivexDoc;
class QWidget;

// New Template from Picture: asks for the picture when none is given. The
// template made is applied to the card at once. True when one was made.
bool NewTemplateFromPictureWithDialog(QWidget* parent, CLumivexDoc& document, const std::filesystem::path& root,
                                      const QString& picture = {});
// Save as New Template: the card's frame and texts under a new name; the
// current template is left as it was.
bool SaveAsNewTemplateWithDialog(QWidget* parent, CLumivexDoc& document, const std::filesystem::path& root);
// Export Template Package: the current template alone or its whole
// category (as Select Template lists it, from every root), to a ZIP file
// chosen in a dialog.
bool ExportTemplatesWithDialog(QWidget* parent, const CLumivexDoc& document,
                               const std::vector<std::filesystem::path>& templateRoots);
