// The card kept behind the user's back: once the user has paused for a
// moment after a change, the card goes to this program's recovery slot.
// Taking the card's record is all the user-interface thread does (files are
// shared, nothing is encoded or drawn); a writer thread writes the photos and
// the template once each, named by their content, then the small description
// by an atomic replace, so a later autosave writes only the description and
// a kill at any moment leaves the slot's previous card readable.
#pragma once

#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <QObject>
#include <QTimer>

#include "app/RecoverySlots.h"
#include "model/CardRecord.h"

class CLumivexDoc;

class CardAutosave : public QObject {
    Q_OBJECT
public:
    // Watches the document's changes; slots go under root (RecoveryFolder()).
    CardAutosave(CLumivexDoc& document, std::filesystem::path root, int pauseMs = 2000);
    // Waits for the write in progress; the slot stays.
    ~CardAutosave() override;

    // The card taken now rather than after the pause.
    void SaveNow();
    // Blocks until every card taken so far is written (tests and benchmarks).
    void Flush();
    // The user keeps or lets go of the card on purpose (a normal quit): the slot goes.
    void RemoveSlot();
    // Keeps the card in this slot from now on (a card restored from it).
    void Adopt(OrphanedSlot slot);
    std::filesystem::path SlotFolder() const;

signals:
    // A card taken is safe on disk.
    void saved();
    // Keeping the card failed: told once, until a later one succeeds.
    void failed(const QString& why);

private:
    struct Job {
        CardRecord record;  // empty (no template) when the slot is to hold no card
    };
    void Take();
    void Work();
    // On the writer thread: false with the reason.
    bool Write(const Job& job, std::string& why);
    bool Clear(std::string& why);
    // bytes belong to file (its own bytes or its thumbnail's).
    std::string EntryName(const SharedSourceFile& file, const std::vector<std::uint8_t>& bytes, const std::string& folder,
                          const std::string& extension);
    void Report(bool ok, const std::string& why);

    CLumivexDoc& m_document;
    std::filesystem::path m_root;
    QTimer m_pause;
    bool m_toldFailure = false;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<Job> m_pending;
    bool m_writing = false;
    bool m_stop = false;
    std::filesystem::path m_slot;  // made by the first write
    std::optional<SlotLock> m_lock;
    bool m_slotHoldsCard = false;
    // Writer thread only: content names of files already written, by file.
    std::map<const void*, std::pair<std::weak_ptr<const void>, std::string>> m_names;
    std::thread m_writer;
};
