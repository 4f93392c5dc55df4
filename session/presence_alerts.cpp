#include "session/presence_alerts.h"

#include "session/settings.h"

namespace zep::presence_alerts {

namespace {

QString Folded(const std::u16string& address)
{
    return QString::fromStdU16String(address).trimmed().toCaseFolded();
}

QString ListName(const std::u16string& own)
{
    return QLatin1String(setting::NotifyOnline) + QLatin1Char('/') + Folded(own);
}

} // namespace

bool Wanted(const std::u16string& own, const std::u16string& contact)
{
    return Settings().ReadList(ListName(own)).contains(Folded(contact));
}

void Set(const std::u16string& own, const std::u16string& contact, bool wanted)
{
    Settings settings;
    QStringList list = settings.ReadList(ListName(own));
    list.removeAll(Folded(contact));
    if (wanted)
        list.append(Folded(contact));
    settings.WriteList(ListName(own), list);
}

} // namespace zep::presence_alerts
