// Renders the add-contact wizard's three pages to PNG files for review:
// zep_add_contact_screens <folder>. Runs on the offscreen platform.
#include "contacts/add_contact_sheet.h"
#include "contacts/contact_list_ctrl.h"
#include "fake_add_contact_host.h"
#include "tests/support/scratch_home.h"
#include "ui/logo.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <cstdio>

using namespace zep;
using namespace zep::contacts;

namespace {

bool Save(QWidget& widget, const QString& folder, const char* name)
{
    QCoreApplication::processEvents();
    const QString file = folder + u'/' + QString::fromLatin1(name);
    const bool ok = widget.grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    return ok;
}

ContactRecord User(const char16_t* name, const char16_t* email, PresenceStatus status,
                   SubStatus sub = SubStatus::None, ContactMethod method = ContactMethod::None)
{
    ContactRecord r;
    r.name = name;
    r.email = email;
    r.status = status;
    r.subStatus = sub;
    r.contactMethod = method;
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);
    zep::test::ScratchHome home;
    QImage logoImage;
    const QPixmap logo = LoadLogo(logoImage) ? TransparentTopLeft(logoImage) : QPixmap();

    testing::FakeAddContactHost host;
    host.own = u"pat@x.test";
    CAddContactSheet sheet(host, nullptr);
    sheet.SetLogo(logo);
    sheet.show();
    sheet.SearchEdit()->setText(QStringLiteral("miller"));
    bool ok = Save(sheet, folder, "wizard-search.png");

    sheet.Next();
    host.ReleaseSearch(
        0, ImResult::Ok,
        {User(u"Bob Miller", u"bob.miller@x.test", PresenceStatus::Unavailable),
         User(u"Ann Miller", u"ann.miller@x.test", PresenceStatus::Available, SubStatus::Lunch),
         User(u"Pat Jones", u"PAT@x.test", PresenceStatus::Available),
         User(u"carl miller", u"carl@x.test", PresenceStatus::Unavailable, SubStatus::None,
              ContactMethod::Email)});
    sheet.SelectResult(u"Bob Miller <bob.miller@x.test>");
    ok &= Save(sheet, folder, "wizard-results.png");

    sheet.Next();
    host.ReleaseAdd(0, AddContactOutcome::Added);
    ok &= Save(sheet, folder, "wizard-finish.png");
    return ok ? 0 : 1;
}
