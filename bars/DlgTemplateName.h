// The small dialog that names a new template: its name, and its category,
// chosen among the existing ones or typed anew. OK stays disabled until
// both hold something a folder can be named by; a line below shows the
// folder names they will become.
#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

class CDlgTemplateName : public QDialog {
    Q_OBJECT
public:
    CDlgTemplateName(const QString& title, const QStringList& categories, const QString& name,
                     const QString& category, QWidget* parent);

    QLineEdit& NameEdit() const { return *m_name; }
    QComboBox& CategoryBox() const { return *m_category; }
    QDialogButtonBox& Buttons() const { return *m_buttons; }
    QString Name() const;
    QString Category() const;

private:
    void Check();

    QLineEdit* m_name;
    QComboBox* m_category;
    QLabel* m_folder;
    QDialogButtonBox* m_buttons;
};
