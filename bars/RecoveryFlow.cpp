#include "bars/RecoveryFlow.h"

#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/BitmapImage.h"
#include "app/CardAutosave.h"
#include "app/LumivexDoc.h"
#include "app/PhotoFile.h"
#include "app/RecoverySlots.h"
#include "model/CardDocument.h"
#include "model/CardRender.h"

namespace {

enum class Answer { Restore, Discard, Later };

// Copies of the built card's elements (sharing their pictures) drawn small.
QPixmap Preview(const BuiltCard& built)
{
    WorkArea::ElementList copies;
    for (const auto& element : built.elements)
        copies.push_back(element->Clone());
    WorkArea card;
    card.Restore(std::move(copies), built.frame, built.selected);
    HBITMAP bitmap = RenderCardPreview(card, kCardPreviewSide);
    QPixmap preview;
    if (bitmap)
        preview = QPixmap::fromImage(BitmapImage(*bitmap).mirrored(false, true));
    DeleteObject(bitmap);
    return preview;
}

Answer Ask(QWidget* parent, const QPixmap& preview, const QDateTime& changed, const std::string& cardFile)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Restore a card - Orvantis"));
    auto* picture = new QLabel(&dialog);
    picture->setPixmap(preview);
    picture->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    QString text = QStringLiteral("<b>Orvantis kept a card you were working on when it last stopped.</b><br><br>"
                                  "It was last changed on %1.")
                       .arg(QLocale().toString(changed, QLocale::LongFormat).toHtmlEscaped());
    if (!cardFile.empty())
        text += QStringLiteral("<br>It came from the card file %1.")
                    .arg(QString::fromStdString(std::filesystem::path(cardFile).filename().string()).toHtmlEscaped());
    text += QStringLiteral("<br><br>Restore it, discard it, or decide later (it is offered again at the next start).");
    auto* words = new QLabel(text, &dialog);
    words->setWordWrap(true);
    words->setMinimumWidth(300);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* restore = buttons->addButton(QStringLiteral("Restore"), QDialogButtonBox::AcceptRole);
    QPushButton* discard = buttons->addButton(QStringLiteral("Discard"), QDialogButtonBox::DestructiveRole);
    QPushButton* later = buttons->addButton(QStringLiteral("Later"), QDialogButtonBox::RejectRole);
    restore->setDefault(true);
    restore->setFocus();
    Answer answer = Answer::Later;
    QObject::connect(restore, &QPushButton::clicked, &dialog, [&] { answer = Answer::Restore; dialog.accept(); });
    QObject::connect(discard, &QPushButton::clicked, &dialog, [&] { answer = Answer::Discard; dialog.accept(); });
    QObject::connect(later, &QPushButton::clicked, &dialog, [&] { answer = Answer::Later; dialog.reject(); });
    auto* row = new QHBoxLayout;
    row->addWidget(picture, 0, Qt::AlignTop);
    row->addWidget(words, 1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(row);
    layout->addWidget(buttons);
    dialog.exec();
    return answer;
}

}  // namespace

bool OfferRecoveredCards(QWidget* parent, CLumivexDoc& document, CardAutosave& autosave,
                         const std::filesystem::path& root)
{
    for (OrphanedSlot& slot : FindOrphanedSlots(root)) {
        CardRecord record;
        BuiltCard built;
        std::string why;
        if (!ReadCardFolder(slot.folder, record, why) || !BuildCard(record, DecodePhoto, built, why)) {
            // What cannot be read is told once and let go.
            QMessageBox::warning(parent, QStringLiteral("Orvantis"),
                                 QStringLiteral("A card kept from an earlier session cannot be restored:\n%1")
                                     .arg(QString::fromStdString(why)));
            RemoveSlot(slot.folder);
            continue;
        }
        switch (Ask(parent, Preview(built), QDateTime::fromSecsSinceEpoch(slot.changed), record.cardFile)) {
        case Answer::Restore:
            document.Recover(record, std::move(built));
            autosave.Adopt(std::move(slot));
            return true;
        case Answer::Discard:
            RemoveSlot(slot.folder);
            break;
        case Answer::Later:
            break;
        }
    }
    return false;
}
