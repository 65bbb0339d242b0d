#include "controls/PreviewFileDlg.h"

#include <QFileIconProvider>
#include <QGridLayout>
#include <QMimeDatabase>
#include <QRegularExpression>

#include "controls/DialogFolder.h"
#include "controls/StaticEx.h"

namespace {

// 72 by 92 dialog units of the classic dialog font.
constexpr QSize kPreviewSize(108, 150);

// The list's Type column names a file's type by its name alone. Qt's own
// provider reads the first bytes of every listed file, and some files block
// a reader that has the right to open them: the dialog hung for good on a
// visit to /proc (its kmsg) as root.
class TypeByNameIconProvider : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override
    {
        if (!info.isFile())
            return QFileIconProvider::type(info);
        return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).comment();
    }
};

DialogFolder& PhotoFolder()
{
    static DialogFolder folder;
    return folder;
}

}  // namespace

QStringList NameFiltersFromFilter(const QString& filter)
{
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        QString description = parts[i];
        description.remove(trailingPatterns);
        const QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return filters;
}

CPreviewFileDlg::CPreviewFileDlg(bool open, const QString& defaultExtension, const QString& fileName,
                                 const QString& filter, QWidget* parent)
    : QFileDialog(parent), m_preview(new CStaticEx(this))
{
    // Only Qt's own dialog can hold the preview pane.
    setOption(QFileDialog::DontUseNativeDialog);
    // Stateless, and outlives every dialog's file model.
    static TypeByNameIconProvider iconProvider;
    setIconProvider(&iconProvider);
    setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QString suffix = defaultExtension;
    suffix.remove(QRegularExpression(QStringLiteral("^\\*?\\.")));
    setDefaultSuffix(suffix);
    setNameFilters(NameFiltersFromFilter(filter));
    setDirectory(PhotoFolder().Start());
    if (!fileName.isEmpty())
        selectFile(fileName);

    m_preview->setFixedSize(kPreviewSize);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(m_preview, 0, grid->columnCount(), grid->rowCount(), 1, Qt::AlignTop);

    connect(this, &QFileDialog::currentChanged, this, [this](const QString& path) {
        if (!path.isEmpty())
            m_preview->SetImageFile(path.toStdString());
    });
    connect(this, &QFileDialog::directoryEntered, m_preview, &CStaticEx::Clear);
}

CPreviewFileDlg::~CPreviewFileDlg() = default;

void CPreviewFileDlg::done(int result)
{
    QFileDialog::done(result);
    PhotoFolder().Leave(*this);
}

QString CPreviewFileDlg::GetPathName() const
{
    return result() == QDialog::Accepted ? selectedFiles().value(0) : QString();
}
