// The logon dialog: address, password and "save password"; the focus goes to the password when
// an address is already there.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>

namespace zep {

class LogonDialog : public QDialog
{
    Q_OBJECT
public:
    LogonDialog(const QString& address, bool savePassword, QWidget* parent = nullptr);

    QString Address() const { return m_address->text(); }
    QString Password() const { return m_password->text(); }
    bool SavePassword() const { return m_save->isChecked(); }

    QLineEdit* AddressEdit() { return m_address; }
    QLineEdit* PasswordEdit() { return m_password; }
    QCheckBox* SaveBox() { return m_save; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* m_address;
    QLineEdit* m_password;
    QCheckBox* m_save;
};

} // namespace zep
