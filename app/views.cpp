#include "app/views.h"

#include "app/logon_animation.h"
#include "resources/resources.h"
#include "ui/display_texts.h"
#include "ui/logo_banner.h"

#include <QVBoxLayout>

namespace zep {

CZepimLogonView::CZepimLogonView(std::function<void()> onLogon, QWidget* parent)
    : QWidget(parent), m_link(new QLabel(this))
{
    setObjectName(QStringLiteral("CZepimLogonView"));
    InitResources();
    m_link->setText(QStringLiteral("<a href=\"logon\">%1</a>").arg(text::ClickToLogon()));
    m_link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_link->setFocusPolicy(Qt::StrongFocus);
    m_link->setAlignment(Qt::AlignCenter);
    connect(m_link, &QLabel::linkActivated, this, [onLogon = std::move(onLogon)] { onLogon(); });

    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(QStringLiteral(":/icons/zepim_offline.png")));
    icon->setAlignment(Qt::AlignCenter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new CLogoBanner(this));
    layout->addStretch(1);
    layout->addWidget(icon);
    layout->addSpacing(8);
    layout->addWidget(m_link);
    layout->addStretch(2);
}

CZepimSignonView::CZepimSignonView(QWidget* parent)
    : QWidget(parent), m_animation(new CLogonAnimation(this))
{
    setObjectName(QStringLiteral("CZepimSignonView"));
    auto* label = new QLabel(text::LoggingOn(), this);
    label->setAlignment(Qt::AlignCenter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new CLogoBanner(this));
    layout->addStretch(1);
    layout->addWidget(label);
    layout->addSpacing(12);
    layout->addWidget(m_animation, 0, Qt::AlignHCenter);
    layout->addStretch(2);
}

} // namespace zep
