#include "contacts/add_contact_pages.h"

#include "contacts/contact_list_ctrl.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zep::contacts {

CAddContactPage::CAddContactPage(const QString& caption, QWidget* parent)
    : QWidget(parent), m_grid(new QGridLayout(this)), m_caption(new QLabel(caption, this)),
      m_logo(new QLabel(this))
{
    m_caption->setTextFormat(Qt::PlainText);
    m_caption->setWordWrap(true);
    m_caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_logo->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_logo->setAccessibleName(tr("Logo"));
    m_grid->addWidget(m_caption, 0, 0, Qt::AlignTop);
    m_grid->addWidget(m_logo, 0, 1, 2, 1, Qt::AlignRight | Qt::AlignTop);
    m_grid->setColumnStretch(0, 1);
    m_grid->setRowStretch(2, 1);
}

void CAddContactPage::SetLogo(const QPixmap& logo)
{
    m_logo->setPixmap(logo);
}

CAddContactSearchPage::CAddContactSearchPage(QWidget* parent)
    : CAddContactPage(tr("Search for email address matching"), parent), m_edit(new QLineEdit(this))
{
    m_edit->setMaxLength(kMaxSearchChars);
    m_edit->setAccessibleName(Caption()->text());
    Caption()->setBuddy(m_edit);
    Grid()->addWidget(m_edit, 1, 0, Qt::AlignTop);
}

std::u16string CAddContactSearchPage::Text() const
{
    return m_edit->text().toStdU16String();
}

CAddContactListPage::CAddContactListPage(QWidget* parent)
    : CAddContactPage(tr("Search results."), parent), m_list(new CContactListCtrl(this))
{
    // The matches are not grouped: no headers, no placeholders.
    m_list->SetFlat(true);
    m_list->setAccessibleName(Caption()->text());
    Grid()->addWidget(m_list, 2, 0, 1, 2);
}

CAddContactFinishPage::CAddContactFinishPage(QWidget* parent)
    : CAddContactPage(QString(), parent), m_unblock(new QPushButton(tr("&Unblock and Add"), this))
{
    m_unblock->hide();
    Grid()->addWidget(m_unblock, 1, 0, Qt::AlignLeft | Qt::AlignTop);
}

void CAddContactFinishPage::SetOutcome(const QString& sentence)
{
    Caption()->setText(sentence);
}

QString CAddContactFinishPage::Outcome() const
{
    return Caption()->text();
}

} // namespace zep::contacts
