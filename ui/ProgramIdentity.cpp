#include "ui/ProgramIdentity.h"

#include <QApplication>
#include <QDir>

#include "app/ResFolders.h"

QIcon ProgramIcon()
{
    QIcon drawn;
    const QDir icons(QString::fromStdString((InstalledResFolder() / "icons").string()));
    for (const QString& size : icons.entryList({QStringLiteral("*x*")}, QDir::Dirs))
        drawn.addFile(icons.filePath(size + QStringLiteral("/apps/orvantis.png")));
    return QIcon::fromTheme(QStringLiteral("orvantis"), drawn);
}

void SetProgramIdentity()
{
    QApplication::setApplicationName(QStringLiteral("Orvantis"));
    QGuiApplication::setDesktopFileName(QStringLiteral("orvantis"));
    QApplication::setWindowIcon(ProgramIcon());
}
