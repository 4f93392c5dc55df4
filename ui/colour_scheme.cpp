#include "ui/colour_scheme.h"

#include "ui/contrast.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <optional>
#include <utility>

namespace zep {

namespace {

// One watch of the application's palette for every follower: a filter on the application
// object sees each event the program handles, so there is only ever one.
class PaletteWatch : public QObject
{
    Q_OBJECT
public:
    static PaletteWatch& Instance()
    {
        // It goes with the application object; a later one gets a watch of its own.
        static QPointer<PaletteWatch> watch;
        if (watch == nullptr)
            watch = new PaletteWatch(qApp);
        return *watch;
    }

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
            emit changed();
        return false;
    }

private:
    explicit PaletteWatch(QObject* app) : QObject(app) { app->installEventFilter(this); }
};

std::optional<QPalette>& Started()
{
    static std::optional<QPalette> palette;
    return palette;
}

} // namespace

bool IsDarkPalette(const QPalette& palette)
{
    return IsDarkBase(palette.color(QPalette::Window));
}

QPalette DarkPalette(const QPalette& from)
{
    const QColor window(45, 45, 48);
    const QColor base(30, 30, 32);
    const QColor text(230, 230, 230);
    const QColor grey(128, 128, 128);
    QPalette dark;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool off = group == QPalette::Disabled;
        dark.setColor(group, QPalette::Window, window);
        dark.setColor(group, QPalette::WindowText, off ? grey : text);
        dark.setColor(group, QPalette::Base, off ? window : base);
        dark.setColor(group, QPalette::AlternateBase, QColor(40, 40, 43));
        dark.setColor(group, QPalette::ToolTipBase, window);
        dark.setColor(group, QPalette::ToolTipText, text);
        dark.setColor(group, QPalette::PlaceholderText, grey);
        dark.setColor(group, QPalette::Text, off ? grey : text);
        dark.setColor(group, QPalette::Button, window);
        dark.setColor(group, QPalette::ButtonText, off ? grey : text);
        dark.setColor(group, QPalette::BrightText, Qt::white);
        dark.setColor(group, QPalette::Light, QColor(70, 70, 74));
        dark.setColor(group, QPalette::Midlight, QColor(58, 58, 62));
        dark.setColor(group, QPalette::Mid, QColor(38, 38, 40));
        dark.setColor(group, QPalette::Dark, QColor(22, 22, 24));
        dark.setColor(group, QPalette::Shadow, Qt::black);
        const QColor highlight = from.color(group, QPalette::Highlight);
        dark.setColor(group, QPalette::Highlight,
                      off ? QColor(70, 70, 74) : Readable(highlight, base, 3.0));
        dark.setColor(group, QPalette::HighlightedText, Qt::white);
        dark.setColor(group, QPalette::Link, Readable(from.color(group, QPalette::Link), base));
        dark.setColor(group, QPalette::LinkVisited,
                      Readable(from.color(group, QPalette::LinkVisited), base));
    }
    return dark;
}

void FollowColourScheme(ColourScheme scheme)
{
    std::optional<QPalette>& started = Started();
    if (!started)
        started = QApplication::palette();
    const bool wantDark = scheme == ColourScheme::Dark && !IsDarkPalette(*started);
    const QPalette next = wantDark ? DarkPalette(*started) : *started;
    if (next != QApplication::palette())
        QApplication::setPalette(next);
}

void DrawLogo(QPainter& painter, const QPoint& at, const QPixmap& logo, const QPalette& palette)
{
    if (IsDarkPalette(palette)) {
        const QRect plate = QRect(at, logo.deviceIndependentSize().toSize()).adjusted(-3, -2, 3, 2);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(236, 239, 246));
        painter.drawRoundedRect(plate, 4, 4);
        painter.restore();
    }
    painter.drawPixmap(at, logo);
}

void FollowPalette(QObject& owner, std::function<void()> apply)
{
    apply();
    QObject::connect(&PaletteWatch::Instance(), &PaletteWatch::changed, &owner, std::move(apply));
}

QColor PaneBase(const QPalette& palette)
{
    return IsDarkPalette(palette) ? palette.color(QPalette::Base) : QColor(Qt::white);
}

QColor PaneText(const QPalette& palette)
{
    return IsDarkPalette(palette) ? palette.color(QPalette::Text) : QColor(Qt::black);
}

} // namespace zep

#include "colour_scheme.moc"
