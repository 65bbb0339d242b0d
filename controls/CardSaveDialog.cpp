#include "controls/CardSaveDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "app/LumivexDoc.h"
#include "controls/DialogFolder.h"

namespace {

struct CardFilter {
    const char* name;
    const char* extension;
};
constexpr CardFilter kFilters[] = {
    {"BMP files (*.bmp)", "bmp"},
    {"JPG files (*.jpg *.jpeg)", "jpg"},
    {"PNG files (*.png)", "png"},
};

}  // namespace

QString CardFileName(const QString& chosen, const QString& filterExtension)
{
    if (CLumivexDoc::CardFormatOf(chosen.toStdString()) != 0)
        return chosen;
    return chosen + '.' + filterExtension;
}

QString AskCardFileName(QWidget* parent)
{
    QFileDialog dialog(parent, QStringLiteral("Save the card"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Cards go where pictures live, or where the last card went.
    static DialogFolder folder;
    dialog.setDirectory(folder.Start());
    // The question comes after the extension has been settled.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList names;
    for (const CardFilter& filter : kFilters)
        names << QString::fromLatin1(filter.name);
    dialog.setNameFilters(names);
    dialog.selectNameFilter(names[1]);
    const int answer = dialog.exec();
    folder.Leave(dialog);
    if (answer != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const auto chosenFilter = names.indexOf(dialog.selectedNameFilter());
    const QString extension = QString::fromLatin1(kFilters[chosenFilter < 0 ? 1 : chosenFilter].extension);
    return CardFileName(dialog.selectedFiles().first(), extension);
}

SaveOutcome SaveCardImageAs(QWidget* parent, CLumivexDoc& document, const QString& path)
{
    if (QFileInfo::exists(path) &&
        QMessageBox::question(parent, QStringLiteral("Orvantis"),
                              QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                  .arg(QFileInfo(path).fileName())) != QMessageBox::Yes)
        return SaveOutcome::Cancelled;
    std::string error;
    if (!document.SaveCardImage(path.toStdString(), error)) {
        QMessageBox::warning(parent, QStringLiteral("Orvantis"),
                             QStringLiteral("The card could not be saved as %1:\n%2")
                                 .arg(path, QString::fromStdString(error)));
        return SaveOutcome::Failed;
    }
    return SaveOutcome::Saved;
}

SaveOutcome SaveCardImageWithDialog(QWidget* parent, CLumivexDoc& document)
{
    const QString path = AskCardFileName(parent);
    return path.isEmpty() ? SaveOutcome::Cancelled : SaveCardImageAs(parent, document, path);
}
