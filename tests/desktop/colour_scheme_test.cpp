// Dark desktops: the portal's colour scheme reaches the application's palette, and colours too
// close to a dark base are raised to a readable contrast while a light base keeps them all.
#include "conversations/pane_colours.h"
#include "desktop/colour_scheme_portal.h"
#include "tests/support/qt_wait.h"
#include "ui/contrast.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <gtest/gtest.h>

namespace zep {
namespace {

struct ContrastRow
{
    const char* name;
    QColor written;
    QColor base;
    bool kept; // drawn exactly as written
};

class DrawnColours : public ::testing::TestWithParam<ContrastRow>
{
};

TEST_P(DrawnColours, ReadOnTheirBase)
{
    const ContrastRow& row = GetParam();
    const QColor drawn = conversations::DrawnColour(row.written, row.base);
    if (row.kept) {
        EXPECT_EQ(drawn, row.written);
        return;
    }
    EXPECT_GE(ContrastRatio(drawn, row.base), 4.5);
    EXPECT_LT(ContrastRatio(drawn, row.base), 5.0) << "no lighter than it needs to be";
    if (row.written.hslSaturation() > 0) {
        EXPECT_NEAR(drawn.hslHue(), row.written.hslHue(), 3) << "the hue stays";
    }
}

const QColor kDarkBase(30, 30, 32);
INSTANTIATE_TEST_SUITE_P(
    Rows, DrawnColours,
    ::testing::Values(ContrastRow{"dark_blue_on_dark", QColor(0, 0, 128), kDarkBase, false},
                      ContrastRow{"black_on_dark", QColor(Qt::black), kDarkBase, false},
                      ContrastRow{"dark_red_on_dark", QColor(150, 30, 30), kDarkBase, false},
                      ContrastRow{"yellow_on_dark", QColor(Qt::yellow), kDarkBase, true},
                      ContrastRow{"dark_blue_on_white", QColor(0, 0, 128), Qt::white, true},
                      ContrastRow{"yellow_on_white", QColor(Qt::yellow), Qt::white, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The portal's answers, and what a change of the desktop's scheme does to the palette.
class FakeSettingsPortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    QVariant scheme;

public slots:
    // The portal wraps the value in a second variant.
    Q_SCRIPTABLE QDBusVariant Read(const QString& group, const QString& key)
    {
        if (group != QLatin1String("org.freedesktop.appearance") ||
            key != QLatin1String("color-scheme"))
            return QDBusVariant(QVariant());
        return QDBusVariant(QVariant::fromValue(QDBusVariant(scheme)));
    }
};

void Emit(QDBusConnection& bus, const QString& key, const QVariant& value)
{
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("SettingChanged"));
    signal.setArguments({QStringLiteral("org.freedesktop.appearance"), key,
                         QVariant::fromValue(QDBusVariant(value))});
    bus.send(signal);
}

TEST(ColourSchemePortal, ReadsTheSchemeFollowsItsChangesAndIgnoresOtherValues)
{
    FakeSettingsPortal portal;
    portal.scheme = QVariant::fromValue(1u);
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("portal"));
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                   QDBusConnection::ExportScriptableSlots));
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    const QPalette light = QApplication::palette();
    ASSERT_FALSE(IsDarkPalette(light));

    ColourSchemePortal scheme(QDBusConnection::sessionBus());
    QObject::connect(&scheme, &ColourSchemePortal::schemeChanged, FollowColourScheme);
    ASSERT_TRUE(test::WaitUntil([&] { return scheme.Scheme() == ColourScheme::Dark; }));
    EXPECT_TRUE(IsDarkPalette(QApplication::palette()));

    Emit(bus, QStringLiteral("color-scheme"), QVariant::fromValue(2u));
    ASSERT_TRUE(test::WaitUntil([&] { return scheme.Scheme() == ColourScheme::Light; }));
    EXPECT_EQ(QApplication::palette(), light);
    // Another key, and values the portal does not define, leave no preference at most.
    Emit(bus, QStringLiteral("accent-color"), QVariant::fromValue(1u));
    Emit(bus, QStringLiteral("color-scheme"), QStringLiteral("dark"));
    ASSERT_TRUE(test::WaitUntil([&] { return scheme.Scheme() == ColourScheme::NoPreference; }));
    EXPECT_EQ(QApplication::palette(), light);
    QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
}

} // namespace
} // namespace zep

#include "colour_scheme_test.moc"
