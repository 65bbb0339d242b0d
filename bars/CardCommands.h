// The program's commands, one QAction each: its text, shortcut, tooltip and
// enabled state live here, its handler is connected once by the window. The
// main bar's buttons, the Help menu and the window's shortcuts all trigger
// these actions, so a command is never defined twice.
#pragma once

#include <QList>

class PxSkinButton;
class QAction;
class QObject;

struct CardCommands {
    // The actions belong to owner.
    explicit CardCommands(QObject* owner);

    // The main bar's buttons.
    QAction* newCard;
    QAction* save;
    QAction* openPhoto;
    QAction* templateMode;
    QAction* addText;
    // Cards kept as documents: the Card button's and the Help menu's.
    QAction* openCard;
    QAction* saveCardFile;
    QAction* saveCardFileAs;
    // The template bar's and the Help menu's commands for the user's own templates.
    QAction* newTemplateFromPicture;
    QAction* saveAsNewTemplate;
    QAction* exportTemplates;
    // The Help menu's items.
    QAction* helpTopic;
    QAction* website;
    QAction* downloadTemplates;
    QAction* print;
    QAction* undo;
    QAction* redo;
    QAction* about;
    // A shortcut only.
    QAction* paste;

    // Every action, for the window that takes their shortcuts.
    QList<QAction*> All() const;
};

// A bar's button for a command: it shows the command's tooltip and enabled
// state and triggers it.
void BindButton(PxSkinButton* button, QAction* command);
