// Where a file dialog opens: the folder it was last left in while the
// program runs, else (the first time, or when that folder is gone) the
// user's pictures folder, else the home folder. The program keeps no
// settings, so the remembered folder ends with the process.
#pragma once

#include <QString>

class QFileDialog;

class DialogFolder {
public:
    QString Start() const;
    // Remembers where the dialog ended: the chosen file's folder when it was
    // accepted, else the folder it showed.
    void Leave(const QFileDialog& dialog);

private:
    QString m_last;
};

// The XDG pictures folder when it exists, else the home folder.
QString PicturesFolder();
