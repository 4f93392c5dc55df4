// The three views of the main frame: logged off, logging on, logged on.
#pragma once

#include <QLabel>
#include <QWidget>
#include <functional>

namespace zep {

class CLogoBanner;
class CLogonAnimation;

enum class ViewKind
{
    Logon,
    Signon,
    Main
};

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

// Logged on. The contact list and the own status banner take this place; until they do, the
// view says who is logged on and nothing more.
class CZepimView : public QWidget
{
    Q_OBJECT
public:
    CZepimView(const QString& name, const QString& address, QWidget* parent = nullptr);
    QString Shown() const { return m_who->text(); }

private:
    QLabel* m_who;
};

} // namespace zep
