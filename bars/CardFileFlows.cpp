#include "bars/CardFileFlows.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>

#include "app/LumivexDoc.h"
#include "controls/DialogFolder.h"
#include "controls/PreviewFileDlg.h"
#include "model/CardDocument.h"

namespace {

constexpr int kRecentCards = 4;


void SetRecent(const QStringList& files)
{
    QSettings settings(QStringLiteral("Orvantis"), QStringLiteral("Orvantis"));
    settings.beginGroup(QStringLiteral("Recent File List"));
    settings.remove(QString());
    for (int i = 0; i < files.size() && i < kRecentCards; ++i)
        settings.setValue(QStringLiteral("File%1").arg(i + 1), files[i]);
}

void RememberCard(const QString& path)
{
    QStringList files = RecentCardFiles();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    files.removeAll(absolute);
    files.prepend(absolute);
    SetRecent(files);
}

void ForgetCard(const QString& path)
{
    QStringList files = RecentCardFiles();
    files.removeAll(QFileInfo(path).absoluteFilePath());
    SetRecent(files);
}

QString CardName(const QString& chosen)
{
    return IsCardFileName(chosen) ? chosen : chosen + QString::fromLatin1(kCardExtension);
}

void SaysWhy(QWidget* parent, const QString& what, const std::string& why)
{
    QMessageBox::warning(parent, QStringLiteral("Orvantis"), what + QStringLiteral(":\n") + QString::fromStdString(why));
}

SaveOutcome SaveAs(QWidget* parent, CLumivexDoc& document, const QString& path)
{
    std::string error;
    if (!document.SaveCard(path.toStdString(), error)) {
        SaysWhy(parent, QStringLiteral("The card could not be saved as %1").arg(path), error);
        return SaveOutcome::Failed;
    }
    RememberCard(path);
    return SaveOutcome::Saved;
}

}  // namespace

QString CardFileFilter()
{
    return QStringLiteral("Orvantis cards|*%1||").arg(QString::fromLatin1(kCardExtension));
}

bool IsCardFileName(const QString& path)
{
    return HasCardExtension(path.toStdString());
}

QStringList RecentCardFiles()
{
    QSettings settings(QStringLiteral("Orvantis"), QStringLiteral("Orvantis"));
    settings.beginGroup(QStringLiteral("Recent File List"));
    QStringList files;
    for (int i = 1; i <= kRecentCards; ++i) {
        const QString file = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!file.isEmpty())
            files << file;
    }
    return files;
}

SaveOutcome SaveCardFile(QWidget* parent, CLumivexDoc& document)
{
    if (document.CardPath().empty())
        return SaveCardFileAs(parent, document);
    return SaveAs(parent, document, QString::fromStdString(document.CardPath().string()));
}

SaveOutcome SaveCardFileAs(QWidget* parent, CLumivexDoc& document)
{
    const QString current = QString::fromStdString(document.CardPath().filename().string());
    CPreviewFileDlg dialog(false, QString::fromLatin1(kCardExtension), current, CardFileFilter(), parent);
    dialog.setWindowTitle(QStringLiteral("Save the card as a card file"));
    if (dialog.exec() != QDialog::Accepted || dialog.GetPathName().isEmpty())
        return SaveOutcome::Cancelled;
    return SaveAs(parent, document, CardName(dialog.GetPathName()));
}

bool ConfirmReplaceCard(QWidget* parent, CLumivexDoc& document)
{
    if (!document.IsModified())
        return true;
    const auto answer = QMessageBox::question(
        parent, QStringLiteral("Orvantis"), QStringLiteral("The card has changed. Save it as a card file first?"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel)
        return false;
    return answer == QMessageBox::No || SaveCardFile(parent, document) == SaveOutcome::Saved;
}

bool OpenCardFileWithDialog(QWidget* parent, CLumivexDoc& document)
{
    CPreviewFileDlg dialog(true, QString::fromLatin1(kCardExtension), QString(), CardFileFilter(), parent);
    dialog.setWindowTitle(QStringLiteral("Open a card"));
    if (dialog.exec() != QDialog::Accepted || dialog.GetPathName().isEmpty())
        return false;
    return OpenCardFile(parent, document, dialog.GetPathName());
}

bool OpenCardFile(QWidget* parent, CLumivexDoc& document, const QString& path)
{
    if (!ConfirmReplaceCard(parent, document))
        return false;
    std::string error;
    if (!document.OpenCard(path.toStdString(), error)) {
        if (!QFileInfo::exists(path) && RecentCardFiles().contains(QFileInfo(path).absoluteFilePath())) {
            ForgetCard(path);
            error += " (it has been taken off the list of recent cards)";
        }
        SaysWhy(parent, QStringLiteral("The card %1 could not be opened").arg(path), error);
        return false;
    }
    RememberCard(path);
    return true;
}
