// The three pages of the add-contact wizard. Each shows its caption at the top left and the
// logo at the top right; the sheet moves between them and decides what they hold.
#pragma once

#include <QWidget>
#include <string>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zep::contacts {

class CContactListCtrl;

class CAddContactPage : public QWidget
{
    Q_OBJECT
public:
    explicit CAddContactPage(const QString& caption, QWidget* parent = nullptr);

    void SetLogo(const QPixmap& logo);
    QLabel* Caption() const { return m_caption; }
    QLabel* Logo() const { return m_logo; }

protected:
    // Row 1, beside the logo, holds a short control; row 2, under both, a tall one.
    QGridLayout* Grid() const { return m_grid; }

private:
    QGridLayout* m_grid;
    QLabel* m_caption;
    QLabel* m_logo;
};

class CAddContactSearchPage : public CAddContactPage
{
    Q_OBJECT
public:
    static constexpr int kMaxSearchChars = 256;

    explicit CAddContactSearchPage(QWidget* parent = nullptr);
    QLineEdit* Edit() const { return m_edit; }
    std::u16string Text() const;

private:
    QLineEdit* m_edit;
};

class CAddContactListPage : public CAddContactPage
{
    Q_OBJECT
public:
    explicit CAddContactListPage(QWidget* parent = nullptr);
    CContactListCtrl* List() const { return m_list; }

private:
    CContactListCtrl* m_list;
};

// Its caption is the outcome sentence; under it the offer to unblock a blocked user and add it.
class CAddContactFinishPage : public CAddContactPage
{
    Q_OBJECT
public:
    explicit CAddContactFinishPage(QWidget* parent = nullptr);
    void SetOutcome(const QString& sentence);
    QString Outcome() const;
    QPushButton* UnblockButton() const { return m_unblock; }

private:
    QPushButton* m_unblock;
};

} // namespace zep::contacts
