#include "conversations/history_window.h"
#include "conversations/time_stamps.h"

#include "conversations/edit_actions.h"
#include "conversations/pane_colours.h"
#include "session/history_store.h"
#include "ui/colour_scheme.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <vector>

namespace zep::conversations {

namespace {

// What the items carry: in the tree a contact's address or a conversation's id, and whether a
// contact's conversations are listed yet; in the search results the conversation, the entry
// and its first participant.
constexpr int kKeyRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;
constexpr int kEntryRole = Qt::UserRole + 1;
constexpr int kContactRole = Qt::UserRole + 2;

QDateTime When(std::int64_t msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs);
}

QString Stamp(const QLocale& locale, std::int64_t msecs)
{
    return DateAndTime(When(msecs), locale);
}

QString NameOf(const history::Entry& e)
{
    return e.senderName.isEmpty() ? e.sender : e.senderName;
}

bool IsNotice(const history::Entry& e)
{
    return e.kind == history::EntryKind::Notice;
}

// Runs `day` with the date before the first entry of each day, and `line` with every entry
// and its time, oldest first; both in the user's locale.
template <typename Day, typename Line>
void ForEachLine(const std::vector<history::Entry>& entries, Day&& day, Line&& line)
{
    const QLocale locale;
    QDate last;
    for (const history::Entry& e : entries) {
        const QDateTime when = When(e.time);
        if (when.date() != last) {
            last = when.date();
            day(locale.toString(last, QLocale::LongFormat));
        }
        line(e, locale.toString(when.time(), HourMinuteFormat(locale)));
    }
}

QString PlainText(const std::vector<history::Entry>& entries)
{
    QString out;
    ForEachLine(
        entries,
        [&out](const QString& date) {
            if (!out.isEmpty())
                out += u'\n';
            out += date + u'\n';
        },
        [&out](const history::Entry& e, const QString& time) {
            out += IsNotice(e) ? QStringLiteral("[%1] %2\n").arg(time, e.text)
                               : QStringLiteral("[%1] %2: %3\n").arg(time, NameOf(e), e.text);
        });
    return out;
}

QString Html(const std::vector<history::Entry>& entries, const QString& title)
{
    QString body;
    ForEachLine(
        entries,
        [&body](const QString& date) {
            body += QStringLiteral("<h2>%1</h2>\n").arg(date.toHtmlEscaped());
        },
        [&body](const history::Entry& e, const QString& time) {
            const QString text = e.text.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>"));
            body += IsNotice(e) ? QStringLiteral("<p class=\"notice\">[%1] %2</p>\n")
                                      .arg(time.toHtmlEscaped(), text)
                                : QStringLiteral("<p>[%1] <b>%2:</b> %3</p>\n")
                                      .arg(time.toHtmlEscaped(), NameOf(e).toHtmlEscaped(), text);
        });
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                          "<title>%1</title>\n<style>h2 { font-size: 1em; margin-top: 1.5em }"
                          " .notice { color: grey }</style></head>\n<body>\n<h1>%1</h1>\n%2"
                          "</body></html>\n")
        .arg(title.toHtmlEscaped(), body);
}

QString TextFilter()
{
    return HistoryWindow::tr("Text files (*.txt)");
}

QString HtmlFilter()
{
    return HistoryWindow::tr("Web pages (*.html *.htm)");
}

// Without a colour the text takes the pane's own text colour; a colour is drawn readable on
// the pane's base.
QTextCharFormat Chars(const QColor& colour, const QColor& paneBase, bool bold = false,
                      bool italic = false)
{
    QTextCharFormat format;
    if (colour.isValid())
        conversations::SetWrittenColour(format, colour, paneBase);
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(italic);
    return format;
}

} // namespace

HistoryWindow* HistoryWindow::Open(history::Store& store, const QString& contact)
{
    HistoryWindow* window = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* open = qobject_cast<HistoryWindow*>(top);
        if (open != nullptr && open->m_store == &store && open->isVisible())
            window = open;
    }
    if (window == nullptr) {
        window = new HistoryWindow(store);
        window->show();
    } else if (window->isMinimized()) {
        window->showNormal();
    }
    window->raise();
    window->activateWindow();
    if (!contact.isEmpty())
        window->SelectContact(contact);
    return window;
}

HistoryWindow::HistoryWindow(history::Store& store) : QWidget(nullptr), m_store(&store)
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("History - ZEP Instant Messenger"));
    // The store may go first (a log-off): the window goes with it.
    connect(&store, &QObject::destroyed, this, &QWidget::close);
    BuildControls();
    Reload();
    resize(780, 500);
}

void HistoryWindow::BuildControls()
{
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("HistorySearch"));
    m_search->setPlaceholderText(tr("Search all conversations"));
    m_search->setClearButtonEnabled(true);
    m_searchTimer = new QTimer(this);
    m_searchTimer->setSingleShot(true);
    m_searchTimer->setInterval(kSearchDelay);
    connect(m_searchTimer, &QTimer::timeout, this, &HistoryWindow::RunSearch);
    connect(m_search, &QLineEdit::textChanged, this, &HistoryWindow::OnSearchEdited);

    m_contacts = new QTreeWidget(this);
    m_contacts->setObjectName(QStringLiteral("HistoryContacts"));
    m_contacts->setHeaderHidden(true);
    connect(m_contacts, &QTreeWidget::itemExpanded, this, &HistoryWindow::FillContact);
    connect(m_contacts, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { OnTreeChoice(item); });

    m_results = new QListWidget(this);
    m_results->setObjectName(QStringLiteral("HistoryResults"));
    m_results->setAlternatingRowColors(true);
    connect(m_results, &QListWidget::itemActivated, this, &HistoryWindow::OnResultChosen);
    connect(m_results, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item) { OnResultChosen(item); });

    m_left = new QStackedWidget(this);
    m_left->addWidget(m_contacts);
    m_left->addWidget(m_results);

    m_pane = new QTextEdit(this);
    m_pane->setObjectName(QStringLiteral("HistoryPane"));
    m_pane->setReadOnly(true);
    m_pane->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // The pane has the desktop's colours; the speakers' colours stay readable on them.
    m_colours = new ReadableColours(*m_pane->document(), m_pane->palette().color(QPalette::Base));
    FollowPalette(*m_colours,
                  [this] { m_colours->SetBase(QApplication::palette().color(QPalette::Base)); });

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(m_left);
    split->addWidget(m_pane);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 2);
    split->setChildrenCollapsible(false);

    m_export = new QPushButton(tr("&Export..."), this);
    m_export->setObjectName(QStringLiteral("HistoryExport"));
    connect(m_export, &QPushButton::clicked, this, [this] { Export(); });
    m_delete = new QPushButton(tr("&Delete"), this);
    m_delete->setObjectName(QStringLiteral("HistoryDelete"));
    connect(m_delete, &QPushButton::clicked, this, [this] { Delete(); });
    m_deleteContact = new QPushButton(tr("Delete &All of This Contact"), this);
    m_deleteContact->setObjectName(QStringLiteral("HistoryDeleteContact"));
    connect(m_deleteContact, &QPushButton::clicked, this, [this] { DeleteContact(); });
    auto* closeButton = new QPushButton(tr("&Close"), this);
    closeButton->setObjectName(QStringLiteral("HistoryClose"));
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_export);
    buttons->addWidget(m_delete);
    buttons->addWidget(m_deleteContact);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_search);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

// ---- the contacts and their conversations --------------------------------------------------

void HistoryWindow::Reload()
{
    const QString contact = m_contact;
    {
        const QSignalBlocker quiet(m_contacts);
        m_contacts->clear();
        if (m_store)
            for (const QString& address : m_store->Contacts()) {
                auto* item = new QTreeWidgetItem(m_contacts, {address});
                item->setData(0, kKeyRole, address);
                item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
            }
    }
    m_contact.clear();
    ShowConversation(0);
    if (QTreeWidgetItem* item = contact.isEmpty() ? nullptr : ContactItem(contact))
        m_contacts->setCurrentItem(item);
    if (!m_search->text().trimmed().isEmpty())
        RunSearch();
}

QTreeWidgetItem* HistoryWindow::ContactItem(const QString& contact) const
{
    for (int i = 0; i < m_contacts->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_contacts->topLevelItem(i);
        if (item->data(0, kKeyRole).toString().compare(contact, Qt::CaseInsensitive) == 0)
            return item;
    }
    return nullptr;
}

void HistoryWindow::FillContact(QTreeWidgetItem* contactItem)
{
    if (contactItem->parent() != nullptr || contactItem->data(0, kFilledRole).toBool() || !m_store)
        return;
    contactItem->setData(0, kFilledRole, true);
    const QLocale locale;
    for (const history::Conversation& c :
         m_store->ConversationsWith(contactItem->data(0, kKeyRole).toString())) {
        const QString when = Stamp(locale, c.started);
        auto* item = new QTreeWidgetItem(
            contactItem, {c.entries == 1 ? tr("%1 (1 line)").arg(when)
                                         : tr("%1 (%2 lines)").arg(when).arg(c.entries)});
        item->setData(0, kKeyRole, QVariant::fromValue<qint64>(c.id));
        item->setToolTip(0, c.contacts.split(u',').join(QStringLiteral(", ")));
    }
    contactItem->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void HistoryWindow::SelectContact(const QString& contact)
{
    if (!m_search->text().isEmpty())
        m_search->clear();
    if (QTreeWidgetItem* item = ContactItem(contact))
        m_contacts->setCurrentItem(item);
}

void HistoryWindow::OnTreeChoice(QTreeWidgetItem* item)
{
    if (item == nullptr)
        return;
    if (QTreeWidgetItem* contactItem = item->parent()) {
        m_contact = contactItem->data(0, kKeyRole).toString();
        ShowConversation(item->data(0, kKeyRole).toLongLong());
        return;
    }
    // A contact: its conversations open and the newest shows.
    m_contact = item->data(0, kKeyRole).toString();
    FillContact(item);
    item->setExpanded(true);
    ShowConversation(item->childCount() > 0 ? item->child(0)->data(0, kKeyRole).toLongLong() : 0);
}

// ---- the pane ------------------------------------------------------------------------------

void HistoryWindow::ShowConversation(std::int64_t conversation, std::int64_t entry)
{
    m_shown = conversation;
    m_spans.clear();
    m_pane->clear();
    const std::vector<history::Entry> entries = m_store && conversation != 0
                                                    ? m_store->Entries(conversation)
                                                    : std::vector<history::Entry>{};
    QTextCursor cursor(m_pane->document());
    QTextBlockFormat dayBlock;
    dayBlock.setAlignment(Qt::AlignHCenter);
    dayBlock.setTopMargin(8);
    dayBlock.setBottomMargin(4);
    const QColor base = m_colours->Base();
    const QTextCharFormat day = Chars(QColor(90, 90, 90), base, true);
    const QTextCharFormat time = Chars(Qt::gray, base);
    const QTextCharFormat notice = Chars(QColor(110, 110, 110), base, false, true);
    const QTextCharFormat own = Chars(QColor(20, 60, 150), base, true);
    const QTextCharFormat other = Chars(QColor(150, 30, 30), base, true);
    const QTextCharFormat text = Chars(QColor(), base);
    bool first = true;
    const auto startBlock = [&](const QTextBlockFormat& format) {
        if (first)
            cursor.setBlockFormat(format);
        else
            cursor.insertBlock(format);
        first = false;
    };
    ForEachLine(
        entries,
        [&](const QString& date) {
            startBlock(dayBlock);
            cursor.insertText(date, day);
        },
        [&](const history::Entry& e, const QString& at) {
            startBlock(QTextBlockFormat());
            const int start = cursor.position();
            cursor.insertText(QStringLiteral("[%1] ").arg(at), time);
            if (IsNotice(e)) {
                cursor.insertText(e.text, notice);
            } else {
                cursor.insertText(NameOf(e) + QStringLiteral(": "), e.outgoing ? own : other);
                cursor.insertText(e.text, text);
            }
            m_spans.insert(e.id, {start, cursor.position()});
        });

    QTextCursor shown(m_pane->document());
    if (const auto span = m_spans.constFind(entry); entry != 0 && span != m_spans.cend()) {
        shown.setPosition(span->first);
        shown.setPosition(span->second, QTextCursor::KeepAnchor);
    }
    m_pane->setTextCursor(shown);
    m_pane->ensureCursorVisible();
    UpdateButtons();
}

// ---- the search ----------------------------------------------------------------------------

void HistoryWindow::OnSearchEdited(const QString& text)
{
    if (text.trimmed().isEmpty()) {
        m_searchTimer->stop();
        m_results->clear();
        m_left->setCurrentWidget(m_contacts);
        return;
    }
    m_searchTimer->start();
}

void HistoryWindow::RunSearch()
{
    const QSignalBlocker quiet(m_results);
    m_results->clear();
    m_left->setCurrentWidget(m_results);
    const std::vector<history::Hit> hits =
        m_store ? m_store->Search(m_search->text(), kSearchLimit) : std::vector<history::Hit>{};
    const QLocale locale;
    for (const history::Hit& hit : hits) {
        const QString when = Stamp(locale, hit.entry.time);
        const QString who = IsNotice(hit.entry) ? hit.entry.participants : NameOf(hit.entry);
        auto* item = new QListWidgetItem(
            QStringLiteral("%1 - %2\n%3").arg(when, who, hit.context.simplified()), m_results);
        item->setData(kKeyRole, QVariant::fromValue<qint64>(hit.entry.conversation));
        item->setData(kEntryRole, QVariant::fromValue<qint64>(hit.entry.id));
        item->setData(kContactRole, hit.entry.participants.section(u',', 0, 0));
    }
    if (hits.empty())
        (new QListWidgetItem(tr("No conversation holds these words."), m_results))
            ->setFlags(Qt::NoItemFlags);
}

void HistoryWindow::OnResultChosen(QListWidgetItem* item)
{
    if (item == nullptr || item->data(kKeyRole).isNull())
        return;
    m_contact = item->data(kContactRole).toString();
    ShowConversation(item->data(kKeyRole).toLongLong(), item->data(kEntryRole).toLongLong());
}

// ---- export and deletion -------------------------------------------------------------------

void HistoryWindow::UpdateButtons()
{
    m_export->setEnabled(m_shown != 0);
    m_delete->setEnabled(m_shown != 0);
    m_deleteContact->setEnabled(!m_contact.isEmpty());
}

void HistoryWindow::Export()
{
    if (m_shown == 0)
        return;
    auto* dialog = new QFileDialog(this, tr("Export Conversation"));
    dialog->setObjectName(QStringLiteral("HistoryExportDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilters({TextFilter(), HtmlFilter()});
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        dialog->setDefaultSuffix(filter == HtmlFilter() ? QStringLiteral("html")
                                                        : QStringLiteral("txt"));
    });
    const std::int64_t conversation = m_shown;
    connect(dialog, &QFileDialog::fileSelected, this,
            [this, dialog, conversation](const QString& file) {
                if (!WriteExport(file, conversation, dialog->selectedNameFilter() == HtmlFilter()))
                    OpenWarningBox(this, tr("The conversation could not be saved as %1.")
                                             .arg(QDir::toNativeSeparators(file)));
            });
    dialog->open();
}

bool HistoryWindow::WriteExport(const QString& file, std::int64_t conversation, bool html) const
{
    if (!m_store)
        return false;
    const std::vector<history::Entry> entries = m_store->Entries(conversation);
    QString title = tr("Conversation");
    if (!entries.empty())
        title = tr("Conversation with %1, %2")
                    .arg(entries.front().participants.split(u',').join(QStringLiteral(", ")),
                         Stamp(QLocale(), entries.front().time));
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    out.write((html ? Html(entries, title) : PlainText(entries)).toUtf8());
    return out.commit();
}

void HistoryWindow::Delete()
{
    if (m_shown == 0)
        return;
    const std::int64_t conversation = m_shown;
    QMessageBox* box = OpenQuestionBox(
        this, tr("Delete this conversation from the history? This cannot be undone."),
        [this, conversation] {
            if (m_store)
                m_store->DeleteConversation(conversation);
            Reload();
        });
    box->setObjectName(QStringLiteral("ConfirmHistoryDelete"));
}

void HistoryWindow::DeleteContact()
{
    if (m_contact.isEmpty())
        return;
    const QString contact = m_contact;
    QMessageBox* box = OpenQuestionBox(
        this,
        tr("Delete every conversation with %1 from the history? This cannot be undone.")
            .arg(contact),
        [this, contact] {
            if (m_store)
                m_store->DeleteContact(contact);
            Reload();
        });
    box->setObjectName(QStringLiteral("ConfirmHistoryDeleteContact"));
}

} // namespace zep::conversations
