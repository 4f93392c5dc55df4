// A sheet over a fake host whose replies the test releases, in a settings folder of its own.
#pragma once

#include "desktop/options_dialog.h"
#include "desktop/options_host.h"
#include "desktop/options_pages.h"
#include "session/settings.h"
#include "tests/support/scratch_home.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace zep::test {

class FakeOptionsHost : public OptionsHost
{
public:
    bool loggedOn = true;
    MailClientList clients;
    QString executable;

    struct Fetch
    {
        QPointer<QObject> context;
        std::function<void(ImResult, ServerVariables)> done;
    };
    struct Store
    {
        ServerVariables variables;
        QPointer<QObject> context;
        std::function<void(ImResult)> done;
    };
    std::vector<Fetch> fetches;
    std::vector<Store> stores;

    bool LoggedOn() const override { return loggedOn; }
    void FetchVariables(QObject* context,
                        std::function<void(ImResult, ServerVariables)> done) override
    {
        fetches.push_back({context, std::move(done)});
    }
    void StoreVariables(ServerVariables variables, QObject* context,
                        std::function<void(ImResult)> done) override
    {
        stores.push_back({std::move(variables), context, std::move(done)});
    }
    MailClientList MailClients() override { return clients; }
    QString Executable() const override { return executable; }

    // Delivers the oldest pending reply, as the worker's queued result would: not at all once
    // its context has gone.
    void ReleaseFetch(ImResult result, const ServerVariables& variables = {})
    {
        ASSERT_FALSE(fetches.empty());
        Fetch f = std::move(fetches.front());
        fetches.erase(fetches.begin());
        if (f.context)
            f.done(result, variables);
    }
    void ReleaseStore(ImResult result)
    {
        ASSERT_FALSE(stores.empty());
        Store s = std::move(stores.front());
        stores.erase(stores.begin());
        if (s.context)
            s.done(result);
    }
};

class OptionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host.executable = home.Path() + "/zepim";
        QFile exe(host.executable);
        ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
        host.clients.clients = {{"org.example.Mail.desktop", "Example Mail"},
                                {"org.example.Other.desktop", "Other Mail"},
                                {"org.example.Nameless.desktop", ""},
                                {kWebMailClient, kWebMailClient}};
        host.clients.defaultId = "org.example.Mail.desktop";
        frame.resize(300, 200);
        frame.show();
    }

    void TearDown() override
    {
        for (const QPointer<QMessageBox>& box : notices)
            delete box.data();
        delete sheet.data();
    }

    // Opens the sheet; when logged on, the fetch stays pending until the test releases it.
    void OpenSheet()
    {
        sheet = new CZEPOptionsDialog(host, &frame);
        QObject::connect(sheet, &CZEPOptionsDialog::NoticeShown, sheet,
                         [this](QMessageBox* box) { notices.emplace_back(box); });
        ASSERT_TRUE(sheet->Open());
    }
    // Opens logged on and answers the fetch with these values.
    void OpenLoaded(const ServerVariables& variables = {})
    {
        OpenSheet();
        host.ReleaseFetch(ImResult::Ok, variables);
        ASSERT_TRUE(sheet->VariablesLoaded());
    }
    void ShowPage(CZEPOptionsDialog::Page page) { sheet->Tabs()->setCurrentIndex(page); }

    template <typename T> T* Control(CZEPOptionsDialog::Page page, const char* name)
    {
        ShowPage(page);
        T* control = sheet->PageWidget(page)->findChild<T*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    // What the user does: clicks a box, picks an entry, types a text (replacing the old one).
    void Click(QAbstractButton* button) { button->click(); }
    void Pick(QComboBox* list, const QString& text)
    {
        const int index = list->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        list->setCurrentIndex(index);
    }
    void Type(QLineEdit* edit, const QString& text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    std::vector<QString> NoticeTexts() const
    {
        std::vector<QString> texts;
        for (const QPointer<QMessageBox>& box : notices)
            if (box)
                texts.push_back(box->text());
        return texts;
    }
    bool SheetGone()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return sheet.isNull();
    }

    ScratchHome home;
    FakeOptionsHost host;
    QMainWindow frame;
    QPointer<CZEPOptionsDialog> sheet;
    std::vector<QPointer<QMessageBox>> notices;
};

inline ServerVariables Variables(std::initializer_list<std::pair<const char*, const char*>> set)
{
    ServerVariables v;
    for (const auto& [name, value] : set)
        *v.Find(name) = value;
    return v;
}

inline std::string S(const QString& text)
{
    return text.toStdString();
}

} // namespace zep::test
