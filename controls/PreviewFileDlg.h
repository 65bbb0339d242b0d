// The file dialog with a preview pane beside the file list: the pane shows
// the selected file's picture and turns white when the folder changes.
#pragma once

#include <QFileDialog>
#include <QStringList>

class CStaticEx;

// The program's filter strings, "description|patterns|...||" with patterns
// separated by ";", as Qt name filters ("description (p1 p2)"). A
// parenthesised pattern list at the end of a description is replaced by the
// real patterns, so that the list shown is the one that filters.
QStringList NameFiltersFromFilter(const QString& filter);

class CPreviewFileDlg : public QFileDialog {
    Q_OBJECT
public:
    // An open dialog (open = true) picks an existing file, a save dialog
    // any name; defaultExtension ("*.bmp", ".bmp" or "bmp") is added to a
    // name typed without one.
    CPreviewFileDlg(bool open, const QString& defaultExtension, const QString& fileName, const QString& filter,
                    QWidget* parent = nullptr);
    ~CPreviewFileDlg() override;

    // The chosen file; empty before one is accepted.
    QString GetPathName() const;
    CStaticEx& Preview() const { return *m_preview; }

    // QDialog: the next dialog opens where this one ends.
    void done(int result) override;

private:
    CStaticEx* m_preview;
};
