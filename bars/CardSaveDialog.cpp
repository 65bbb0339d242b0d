#include "bars/CardSaveDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "app/FileFormats.h"
#include "app/LumivexDoc.h"
#include "controls/DialogFolder.h"

namespace {


}  // namespace

QString CardFileName(const QString& chosen, const QString& filterExtension)
{
    if (CardFormatOf(chosen.toStdString()) != 0)
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
    for (const CardFileType& type : CardFileTypes())
        names << QString::fromLatin1(type.filterName);
    dialog.setNameFilters(names);
    dialog.selectNameFilter(QString::fromLatin1(DefaultCardFileType().filterName));
    const int answer = dialog.exec();
    folder.Leave(dialog);
    if (answer != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const auto chosen = names.indexOf(dialog.selectedNameFilter());
    const CardFileType& type = chosen < 0 ? DefaultCardFileType() : CardFileTypes()[std::size_t(chosen)];
    const QString extension = QString::fromLatin1(type.extension);
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
