// The contact picker: sorted rows, the OK rule, what each way of finishing reports and keeps,
// help, modality to its owner, layout.
#include "contacts/contact_dialog.h"
#include "contacts/contact_list_ctrl.h"
#include "test_rows.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QWindow>
#include <gtest/gtest.h>

namespace zep::contacts {
namespace {

using namespace testing;

CContactDisplay Info(const std::string& text)
{
    CContactDisplay row;
    row.Kind = ContactDisplayKind::InfoRow;
    row.Label = U(text);
    return row;
}

std::unique_ptr<CContactDisplayList> ListOf(const std::vector<CContactDisplay>& rows)
{
    auto list = std::make_unique<CContactDisplayList>();
    for (const CContactDisplay& row : rows)
        list->Add(row);
    return list;
}

std::string Labels(const CContactDialog& dialog)
{
    std::string out;
    for (const CContactDisplay* row : dialog.VisibleRows())
        out += A(row->Label) + (row->Indent == 0 ? "" : "(indented)") + ";";
    return out;
}

struct Picked
{
    std::vector<int> commands;
    std::vector<unsigned> help;
};

std::unique_ptr<CContactDialog> Picker(Picked& picked, const std::vector<CContactDisplay>& rows,
                                       QWidget* owner = nullptr)
{
    auto dialog =
        std::make_unique<CContactDialog>(QStringLiteral("Invite"), kContactDialogHelp, ListOf(rows),
                                         pickercmd::InviteOk, pickercmd::InviteCancel, owner);
    QObject::connect(dialog.get(), &CContactDialog::Command,
                     [&picked](int command) { picked.commands.push_back(command); });
    QObject::connect(dialog.get(), &CContactDialog::HelpRequested,
                     [&picked](unsigned context) { picked.help.push_back(context); });
    return dialog;
}

const std::vector<CContactDisplay> kMixed = {
    ContactRow(Contact("Zed", "zed@x.test")),
    ContactRow(Contact("bob", "bob@x.test", PresenceStatus::Unavailable)),
    ContactRow(Contact("alice", "alice@x.test")),
    ContactRow(Contact("Carl", "carl@x.test", PresenceStatus::Available, SubStatus::Lunch)),
};

TEST(ContactPicker, RowsAreSortedByKindAndNameAtTheLeftEdge)
{
    Picked picked;
    auto dialog = Picker(picked, kMixed);
    EXPECT_EQ(Labels(*dialog), "alice;Carl (Lunch);Zed;bob;");
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Invite");
}

TEST(ContactPicker, AnInfoRowNeverEnablesOk)
{
    Picked picked;
    auto dialog = Picker(picked, {Info("No contacts here.")});
    EXPECT_EQ(Labels(*dialog), "No contacts here.;");
    EXPECT_FALSE(dialog->OkButton()->isEnabled());
    ASSERT_TRUE(dialog->SelectRow(u"No contacts here."));
    EXPECT_FALSE(dialog->OkButton()->isEnabled());
    dialog->accept(); // Enter with the info row selected
    EXPECT_TRUE(picked.commands.empty());
    EXPECT_FALSE(dialog->Finished());
}

TEST(ContactPicker, OkFollowsTheSelection)
{
    Picked picked;
    auto dialog = Picker(picked, kMixed);
    EXPECT_FALSE(dialog->OkButton()->isEnabled());
    ASSERT_TRUE(dialog->SelectRow(u"Zed"));
    EXPECT_TRUE(dialog->OkButton()->isEnabled());
    dialog->List()->clearSelection();
    EXPECT_FALSE(dialog->OkButton()->isEnabled());
}

struct FinishRow
{
    const char* name;
    void (*finish)(CContactDialog&);
    int command;
    bool chosen;
};

class ContactPickerFinish : public ::testing::TestWithParam<FinishRow>
{
};

TEST_P(ContactPickerFinish, ReportsOnceAndKeepsAChoiceOnlyOnOk)
{
    const FinishRow& row = GetParam();
    Picked picked;
    auto dialog = Picker(picked, kMixed);
    dialog->show();
    ASSERT_TRUE(dialog->SelectRow(u"alice"));
    row.finish(*dialog);
    row.finish(*dialog); // a second press or close changes nothing
    dialog->close();
    EXPECT_EQ(picked.commands, std::vector<int>{row.command});
    EXPECT_EQ(dialog->Chosen().has_value(), row.chosen);
    if (row.chosen) {
        EXPECT_EQ(A(dialog->Chosen()->Contact.email), "alice@x.test");
    }
    EXPECT_FALSE(dialog->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ContactPickerFinish,
    ::testing::Values(
        FinishRow{"ok_button", [](CContactDialog& d) { d.OkButton()->click(); },
                  pickercmd::InviteOk, true},
        FinishRow{"double_click_row",
                  [](CContactDialog& d) { emit d.List()->RowActivated(d.VisibleRows().front()); },
                  pickercmd::InviteOk, true},
        FinishRow{"cancel_button", [](CContactDialog& d) { d.CancelButton()->click(); },
                  pickercmd::InviteCancel, false},
        FinishRow{"escape",
                  [](CContactDialog& d) {
                      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                      QCoreApplication::sendEvent(&d, &escape);
                  },
                  pickercmd::InviteCancel, false},
        FinishRow{"window_closed", [](CContactDialog& d) { d.close(); }, pickercmd::InviteCancel,
                  false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ContactPicker, HelpButtonAndF1AskForTheDialogTopic)
{
    Picked picked;
    auto dialog = Picker(picked, kMixed);
    dialog->HelpButton()->click();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.get(), &f1);
    EXPECT_EQ(picked.help, (std::vector<unsigned>{0x20000 + 171, 0x20000 + 171}));
    EXPECT_TRUE(picked.commands.empty());
}

TEST(ContactPicker, IsATopLevelWindowModalToItsOwner)
{
    QWidget owner;
    owner.show();
    Picked picked;
    auto dialog = Picker(picked, kMixed, &owner);
    EXPECT_EQ(dialog->parent(), nullptr);
    ASSERT_TRUE(dialog->Open());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    ASSERT_NE(dialog->windowHandle(), nullptr);
    EXPECT_EQ(dialog->windowHandle()->transientParent(), owner.windowHandle());
    EXPECT_EQ(QGuiApplication::modalWindow(), dialog->windowHandle());
    dialog->CancelButton()->click();
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
}

TEST(ContactPicker, ButtonsShareOneSizeAlongTheBottomRight)
{
    Picked picked;
    auto dialog = Picker(picked, kMixed);
    dialog->show();
    dialog->resize(400, 300);
    const QRect ok = dialog->OkButton()->geometry();
    const QRect cancel = dialog->CancelButton()->geometry();
    const QRect help = dialog->HelpButton()->geometry();
    EXPECT_EQ(ok.size(), cancel.size());
    EXPECT_EQ(cancel.size(), help.size());
    EXPECT_EQ(help.right() + 1, 400 - 6);
    EXPECT_EQ(cancel.right() + 1 + 6, help.left());
    EXPECT_EQ(ok.right() + 1 + 6, cancel.left());
    EXPECT_EQ(ok.bottom() + 1, 300 - 10);
    const QRect list = dialog->List()->geometry();
    EXPECT_EQ(list.width(), 400);
    EXPECT_EQ(list.bottom() + 1, 300 - 20 - ok.height());
}

} // namespace
} // namespace zep::contacts
