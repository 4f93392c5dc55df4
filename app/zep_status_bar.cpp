#include "app/zep_status_bar.h"

#include "resources/resources.h"

#include <algorithm>
#include <utility>

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
    m_tick.setInterval(1000);
    connect(&m_tick, &QTimer::timeout, this, &CZEPStatusBar::ShowCountdown);
}

void CZEPStatusBar::ShowReconnect(std::chrono::milliseconds due)
{
    m_reconnectShown = true;
    m_lock->setPixmap(QPixmap());
    m_lock->setToolTip(QString());
    if (due.count() < 0) {
        m_tick.stop();
        m_address->setText(tr("Reconnecting now..."));
        return;
    }
    m_due = QDeadlineTimer(due);
    ShowCountdown();
    m_tick.start();
}

void CZEPStatusBar::ClearReconnect()
{
    m_tick.stop();
    if (std::exchange(m_reconnectShown, false))
        m_address->clear();
}

void CZEPStatusBar::ShowCountdown()
{
    // Whole seconds, rounded up: "in 0 s" would read as if nothing were pending.
    const qint64 left = std::max<qint64>(m_due.remainingTime(), 0);
    const qint64 seconds = std::max<qint64>((left + 999) / 1000, 1);
    m_address->setText(tr("Reconnecting in %1 s").arg(seconds));
}

void CZEPStatusBar::UpdateStatusBar(bool loggedOn, const QString& address,
                                    const std::optional<QString>& cipher)
{
    m_tick.stop();
    m_reconnectShown = false;
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
