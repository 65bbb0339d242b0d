#include "bars/CardCommands.h"

#include <QAction>
#include <QKeySequence>

#include "controls/PxSkinButton.h"

namespace {

// An action whose shortcuts work anywhere in its window; a menu shows its
// text alone, which names the shortcut itself.
QAction* MakeCommand(QObject* owner, const char* text, const char* tip, QList<QKeySequence> keys = {})
{
    auto* action = new QAction(QString::fromLatin1(text), owner);
    action->setToolTip(QString::fromLatin1(tip ? tip : text));
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setShortcutVisibleInContextMenu(false);
    return action;
}

}  // namespace

CardCommands::CardCommands(QObject* owner)
    : newCard(MakeCommand(owner, "New", "New card (Ctrl+N)", {QKeySequence(QStringLiteral("Ctrl+N"))})),
      save(MakeCommand(owner, "Save", "Save the card (Ctrl+S)", {QKeySequence(QStringLiteral("Ctrl+S"))})),
      openPhoto(MakeCommand(owner, "Photo", "Open a photo (Ctrl+O)", {QKeySequence(QStringLiteral("Ctrl+O"))})),
      templateMode(MakeCommand(owner, "Template", nullptr)),
      addText(MakeCommand(owner, "Text", "Add text (Ctrl+T)", {QKeySequence(QStringLiteral("Ctrl+T"))})),
      openCard(MakeCommand(owner, "Open Card...", "Open a card file (Ctrl+Shift+O)",
                           {QKeySequence(QStringLiteral("Ctrl+Shift+O"))})),
      saveCardFile(MakeCommand(owner, "Save Card", "Save the card as a card file, to open and change it later")),
      saveCardFileAs(MakeCommand(owner, "Save Card As...", "Save the card as a new card file (Ctrl+Shift+S)",
                                 {QKeySequence(QStringLiteral("Ctrl+Shift+S"))})),
      newTemplateFromPicture(MakeCommand(owner, "New Template from Picture...",
                                         "Make a template of a picture with transparent windows")),
      saveAsNewTemplate(MakeCommand(owner, "Save as New Template...",
                                    "Save the card's frame and texts as a new template of your own")),
      exportTemplates(MakeCommand(owner, "Export Template Package...",
                                  "Write the template, or its whole category, as a package to share")),
      helpTopic(MakeCommand(owner, "Help Topic", nullptr)),
      website(MakeCommand(owner, "Software Website", nullptr)),
      downloadTemplates(MakeCommand(owner, "Download more templates", nullptr)),
      print(MakeCommand(owner, "Print... (Ctrl+P)", nullptr, {QKeySequence(QStringLiteral("Ctrl+P"))})),
      undo(MakeCommand(owner, "Undo (Ctrl+Z)", nullptr, {QKeySequence(QStringLiteral("Ctrl+Z"))})),
      redo(MakeCommand(owner, "Redo (Ctrl+Shift+Z)", nullptr,
                       {QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))})),
      about(MakeCommand(owner, "About", nullptr)),
      paste(MakeCommand(owner, "Paste", nullptr, {QKeySequence(QStringLiteral("Ctrl+V"))}))
{
    // Nothing to undo or redo on a fresh card.
    undo->setEnabled(false);
    redo->setEnabled(false);
}

QList<QAction*> CardCommands::All() const
{
    return {newCard,   save, openPhoto, templateMode, addText, openCard, saveCardFile, saveCardFileAs,
            newTemplateFromPicture, saveAsNewTemplate,
            exportTemplates, helpTopic, website, downloadTemplates, print, undo, redo, about, paste};
}

void BindButton(PxSkinButton* button, QAction* command)
{
    button->SetTipText(command->toolTip());
    button->setEnabled(command->isEnabled());
    QObject::connect(button, &QAbstractButton::clicked, command, &QAction::trigger);
    QObject::connect(command, &QAction::changed, button, [button, command] { button->setEnabled(command->isEnabled()); });
}
