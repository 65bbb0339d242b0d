#include "bars/DlgTemplateName.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "model/TemplateNames.h"

namespace {

QString Safe(const QString& typed)
{
    return QString::fromStdString(SafeTemplateName(typed.toStdString()));
}

}  // namespace

CDlgTemplateName::CDlgTemplateName(const QString& title, const QStringList& categories, const QString& name,
                                   const QString& category, QWidget* parent)
    : QDialog(parent),
      m_name(new QLineEdit(name, this)),
      m_category(new QComboBox(this)),
      m_folder(new QLabel(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(title);
    // Longer names are cut anyway; the limit tells the user so as they type.
    m_name->setMaxLength(int(kMaxTemplateNameChars));
    m_category->setEditable(true);
    m_category->addItems(categories);
    m_category->setCurrentText(category);
    m_category->lineEdit()->setMaxLength(int(kMaxTemplateNameChars));
    m_folder->setWordWrap(true);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Name:"), m_name);
    form->addRow(QStringLiteral("&Category:"), m_category);
    form->addRow(m_folder);
    form->addRow(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_name, &QLineEdit::textChanged, this, &CDlgTemplateName::Check);
    connect(m_category, &QComboBox::currentTextChanged, this, &CDlgTemplateName::Check);
    Check();
    m_name->selectAll();
    m_name->setFocus();
    setMinimumWidth(360);
}

QString CDlgTemplateName::Name() const
{
    return Safe(m_name->text());
}

QString CDlgTemplateName::Category() const
{
    return Safe(m_category->currentText());
}

void CDlgTemplateName::Check()
{
    const QString name = Name(), category = Category();
    const bool usable = !name.isEmpty() && !category.isEmpty();
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(usable);
    m_folder->setText(usable ? QStringLiteral("Saved as %1 / %2").arg(category, name)
                             : QStringLiteral("Give the template a name and a category."));
}
