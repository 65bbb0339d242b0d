#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include "bars/CardSaveDialog.h"
#include "controls/PreviewFileDlg.h"

namespace {

// A home of its own whose user folders file names "Bilder" as the pictures
// folder; the folder itself is made by the test when it needs one.
class UserFolders {
public:
    UserFolders() : m_savedHome(qgetenv("HOME")), m_savedConfig(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", Path("config").toUtf8());
        QDir().mkpath(Path("config"));
        QFile dirs(Path("config/user-dirs.dirs"));
        EXPECT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    }
    ~UserFolders()
    {
        qputenv("HOME", m_savedHome);
        qputenv("XDG_CONFIG_HOME", m_savedConfig);
    }
    QString Path(const QString& relative = {}) const { return QDir(m_home.path()).absoluteFilePath(relative); }
    QString Make(const QString& relative) const
    {
        QDir().mkpath(Path(relative));
        return QDir(Path(relative)).canonicalPath();
    }

private:
    QTemporaryDir m_home;
    QByteArray m_savedHome, m_savedConfig;
};

QString Opened(const QFileDialog& dialog)
{
    return dialog.directory().canonicalPath();
}


TEST(DialogFolder, ThePhotoDialogStartsInPicturesThenReopensWhereItWasLeft)
{
    UserFolders user;
    EXPECT_EQ(Opened(CPreviewFileDlg(true, {}, {}, {})), QDir(user.Path()).canonicalPath()) << "no pictures folder yet";
    const QString pictures = user.Make(QStringLiteral("Bilder"));
    {
        CPreviewFileDlg dialog(true, {}, {}, {});
        EXPECT_EQ(Opened(dialog), pictures);
        dialog.setDirectory(user.Make(QStringLiteral("browsed")));
        dialog.done(QDialog::Rejected);
    }
    CPreviewFileDlg again(true, {}, {}, {});
    EXPECT_EQ(Opened(again), QDir(user.Path(QStringLiteral("browsed"))).canonicalPath()) << "cancelled there";

    const QString chosenFolder = user.Make(QStringLiteral("trip"));
    QFile(chosenFolder + "/photo.bmp").open(QIODevice::WriteOnly);
    again.selectFile(chosenFolder + "/photo.bmp");
    QMetaObject::invokeMethod(&again, "accept");  // as the Open button does
    ASSERT_EQ(again.result(), QDialog::Accepted);
    EXPECT_EQ(Opened(CPreviewFileDlg(true, {}, {}, {})), chosenFolder) << "the chosen photo's folder";

    QDir(chosenFolder).removeRecursively();
    EXPECT_EQ(Opened(CPreviewFileDlg(true, {}, {}, {})), pictures) << "the remembered folder is gone";
}

// Answers the card's Save As dialog once it shows: notes where it opened,
// moves to another folder and cancels.
void LeaveSaveDialogIn(const QString& folder, QString* opened)
{
    QTimer::singleShot(0, [folder, opened] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        *opened = Opened(*dialog);
        dialog->setDirectory(folder);
        dialog->reject();
    });
}

TEST(DialogFolder, TheCardSaveDialogStartsInPicturesThenReopensWhereItWasLeft)
{
    UserFolders user;
    const QString pictures = user.Make(QStringLiteral("Bilder"));
    const QString cards = user.Make(QStringLiteral("cards"));
    QString opened;
    LeaveSaveDialogIn(cards, &opened);
    EXPECT_TRUE(AskCardFileName(nullptr).isEmpty());
    EXPECT_EQ(opened, pictures);
    LeaveSaveDialogIn(pictures, &opened);
    AskCardFileName(nullptr);
    EXPECT_EQ(opened, cards);
}

}  // namespace
