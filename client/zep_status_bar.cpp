#include "zep_status_bar.h"

#include "resources.h"

namespace zep {

CZEPStatusBar::CZEPStatusBar(QWidget* parent)
    : QStatusBar(parent), m_address(new QLabel(this)), m_lock(new QLabel(this))
{
    InitResources();
    setSizeGripEnabled(true);
    setMinimumHeight(20);
    m_address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lock->setFixedWidth(18);
    m_lock->setAlignment(Qt::AlignCenter);
    addWidget(m_address, 1);
    addPermanentWidget(m_lock);
}

void CZEPStatusBar::UpdateStatusBar(bool loggedOn, const QString& address,
                                    const std::optional<QString>& cipher)
{
    m_address->setText(loggedOn ? address : QString());
    if (loggedOn && cipher) {
        m_lock->setPixmap(QPixmap(QStringLiteral(":/icons/lock.png")));
        m_lock->setToolTip(*cipher);
    } else {
        m_lock->setPixmap(QPixmap());
        m_lock->setToolTip(QString());
    }
}

} // namespace zep
