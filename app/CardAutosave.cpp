#include "app/CardAutosave.h"

#include <fcntl.h>
#include <unistd.h>

#include <set>

#include <QCryptographicHash>

#include "app/LumivexDoc.h"
#include "app/PhotoFile.h"
#include "model/CardDocument.h"
#include "platform/AtomicFile.h"

namespace fs = std::filesystem;

namespace {

// The file whole at path through an atomic save, synced.
bool WriteWhole(const fs::path& path, const void* data, std::size_t size, std::string& why)
{
    AtomicFile file(path);
    if (!file.Stream() || (size && std::fwrite(data, 1, size, file.Stream()) != size) || !file.Commit()) {
        why = file.Reason();
        return false;
    }
    return true;
}

// A rename is on disk once its folder is.
void SyncFolder(const fs::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::string ContentName(const std::vector<std::uint8_t>& bytes)
{
    const QByteArray digest = QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())), QCryptographicHash::Sha256);
    return digest.toHex().left(32).toStdString();
}

}  // namespace

CardAutosave::CardAutosave(CLumivexDoc& document, fs::path root, int pauseMs)
    : m_document(document), m_root(std::move(root))
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(pauseMs);
    connect(&m_pause, &QTimer::timeout, this, &CardAutosave::Take);
    // Every change starts the pause afresh: a card is taken once the user
    // stops. A card just kept in a card file lets its slot go at once.
    connect(&document, &CLumivexDoc::changed, this, [this] {
        if (m_document.NeedsRecovery())
            m_pause.start();
        else
            SaveNow();
    });
    m_writer = std::thread([this] { Work(); });
}

CardAutosave::~CardAutosave()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_writer.join();
}

void CardAutosave::Take()
{
    // A card that a card file holds as it is, or a fresh one, needs no slot.
    Job job;
    if (m_document.NeedsRecovery())
        job.record = m_document.Snapshot();
    {
        std::lock_guard lock(m_mutex);
        if (!job.record.templateFile && !m_slotHoldsCard && !m_writing)
            return;
        m_pending = std::move(job);
    }
    m_wake.notify_one();
}

void CardAutosave::SaveNow()
{
    m_pause.stop();
    Take();
}

void CardAutosave::Flush()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_pending && !m_writing; });
}

void CardAutosave::RemoveSlot()
{
    m_pause.stop();
    Flush();
    std::lock_guard lock(m_mutex);
    if (!m_slot.empty())
        ::RemoveSlot(m_slot);
    m_slot.clear();
    m_lock.reset();
    m_slotHoldsCard = false;
}

void CardAutosave::Adopt(OrphanedSlot slot)
{
    Flush();
    std::lock_guard lock(m_mutex);
    if (!m_slot.empty())
        ::RemoveSlot(m_slot);
    m_slot = std::move(slot.folder);
    m_lock = std::move(slot.lock);
    m_slotHoldsCard = true;
}

fs::path CardAutosave::SlotFolder() const
{
    std::lock_guard lock(m_mutex);
    return m_slot;
}

void CardAutosave::Work()
{
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_stop || m_pending; });
        if (!m_pending)
            return;  // stopped, with nothing left to write
        const Job job = std::move(*m_pending);
        m_pending.reset();
        m_writing = true;
        lock.unlock();
        std::string why;
        const bool holdsCard = bool(job.record.templateFile);
        const bool ok = holdsCard ? Write(job, why) : Clear(why);
        lock.lock();
        m_writing = false;
        m_idle.notify_all();
        lock.unlock();
        if (holdsCard || !ok)
            Report(ok, why);
    }
}

std::string CardAutosave::EntryName(const SharedSourceFile& file, const std::vector<std::uint8_t>& bytes,
                                    const std::string& folder, const std::string& extension)
{
    // Keyed by the bytes, so a template's thumbnail has a name of its own.
    auto& [owner, name] = m_names[&bytes];
    if (owner.expired() || owner.lock() != file) {
        owner = file;
        name = ContentName(bytes);
    }
    return folder + "/" + name + "." + extension;
}

bool CardAutosave::Write(const Job& job, std::string& why)
{
    fs::path slot;
    {
        std::lock_guard lock(m_mutex);
        if (m_slot.empty())
            m_slot = MakeSlot(m_root, m_lock, why);
        slot = m_slot;
    }
    if (slot.empty())
        return false;
    CardRecord record = job.record;
    // Pictures that never had a file are encoded here, off the user's thread.
    for (std::size_t i = 0; i < record.photos.size(); ++i)
        if (i < record.unencoded.size() && record.unencoded[i]) {
            auto encoded = std::make_shared<SourceFile>();
            if (!EncodeLosslessly(*record.unencoded[i], *encoded)) {
                why = "a pasted photo could not be encoded";
                return false;
            }
            record.photos[i] = std::move(encoded);
        }
    CardEntryNames names;
    std::vector<std::pair<std::string, const std::vector<std::uint8_t>*>> files;
    names.templateFile = EntryName(record.templateFile, record.templateFile->bytes, "Template", "tpl");
    files.emplace_back(names.templateFile, &record.templateFile->bytes);
    if (!record.templateFile->thumbnail.empty()) {
        names.templateThumbnail = EntryName(record.templateFile, record.templateFile->thumbnail, "Template", "jpg");
        files.emplace_back(names.templateThumbnail, &record.templateFile->thumbnail);
    }
    for (const SharedSourceFile& photo : record.photos) {
        names.photos.push_back(EntryName(photo, photo->bytes, "Photos", EntryExtension(photo->name)));
        files.emplace_back(names.photos.back(), &photo->bytes);
    }
    // The files a description names are on disk before it is.
    std::error_code error;
    for (const auto& [name, bytes] : files) {
        const fs::path path = slot / name;
        if (fs::exists(path, error))
            continue;
        fs::create_directories(path.parent_path(), error);
        if (!WriteWhole(path, bytes->data(), bytes->size(), why))
            return false;
    }
    const std::string description = DescribeCard(record, names);
    if (!WriteWhole(slot / kCardDescriptionEntry, description.data(), description.size(), why))
        return false;
    SyncFolder(slot);
    {
        std::lock_guard lock(m_mutex);
        m_slotHoldsCard = true;
    }
    // What the card no longer shows goes once the new description stands.
    std::set<std::string> kept;
    for (const auto& file : files)
        kept.insert(file.first);
    for (const char* folder : {"Photos", "Template"})
        for (fs::directory_iterator it(slot / folder, error), end; !error && it != end; it.increment(error))
            if (!kept.count(std::string(folder) + "/" + it->path().filename().string()))
                fs::remove(it->path(), error);
    return true;
}

bool CardAutosave::Clear(std::string& why)
{
    fs::path slot;
    {
        std::lock_guard lock(m_mutex);
        if (m_slot.empty() || !m_slotHoldsCard)
            return true;
        slot = m_slot;
        m_slotHoldsCard = false;
    }
    std::error_code error;
    // Without its description the slot offers nothing; the files follow.
    fs::remove(slot / kCardDescriptionEntry, error);
    if (error) {
        why = DescribeWriteError(error.value(), slot / kCardDescriptionEntry);
        return false;
    }
    fs::remove_all(slot / "Photos", error);
    fs::remove_all(slot / "Template", error);
    return true;
}

void CardAutosave::Report(bool ok, const std::string& why)
{
    const QString message = QString::fromStdString(why);
    QMetaObject::invokeMethod(
        this,
        [this, ok, message] {
            if (ok) {
                m_toldFailure = false;
                emit saved();
            } else if (!m_toldFailure) {
                m_toldFailure = true;
                emit failed(message);
            }
        },
        Qt::QueuedConnection);
}
