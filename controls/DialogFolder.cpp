#include "controls/DialogFolder.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

QString PicturesFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QDir(pictures).exists() ? pictures : QDir::homePath();
}

QString DialogFolder::Start() const
{
    return !m_last.isEmpty() && QDir(m_last).exists() ? m_last : PicturesFolder();
}

void DialogFolder::Leave(const QFileDialog& dialog)
{
    const QStringList chosen = dialog.selectedFiles();
    m_last = dialog.result() == QDialog::Accepted && !chosen.isEmpty() ? QFileInfo(chosen.first()).absolutePath()
                                                                        : dialog.directory().absolutePath();
}
