// The three views of the main frame: logged off, logging on, logged on.
#pragma once

#include <QLabel>
#include <QWidget>
#include <functional>

#include "app/zepim_view.h"
#include "session/logon_lifecycle.h"

namespace zep {

class CLogoBanner;
class CLogonAnimation;

// ViewKind, the view to show, is the logon lifecycle's (session/logon_lifecycle.h).

// Logged off: the banner and the "Click here to logon" link.
class CZepimLogonView : public QWidget
{
    Q_OBJECT
public:
    explicit CZepimLogonView(std::function<void()> onLogon, QWidget* parent = nullptr);
    QLabel* Link() { return m_link; }

private:
    QLabel* m_link;
};

// Logging on: "Logging on..." with an animation; the frame starts the logon thread once the
// view is in place.
class CZepimSignonView : public QWidget
{
    Q_OBJECT
public:
    explicit CZepimSignonView(QWidget* parent = nullptr);
    CLogonAnimation* Animation() { return m_animation; }

private:
    CLogonAnimation* m_animation;
};

// Logged on: CZepimView (zepim_view.h, included here for the frame and its users).

} // namespace zep
