#include "conversations/emoji_picker.h"

#include "session/settings.h"

#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace zep::conversations {
namespace {

constexpr char kEmojiFile[] = "/usr/share/unicode/emoji/emoji-test.txt";
constexpr char kRecentSetting[] = "recentemoji";
constexpr int kMostRecent = 24;
constexpr qint64 kLargestFile = 8 * 1024 * 1024;

QString Q(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

std::vector<EmojiEntry> EmojiPicker::Load(const QString& file)
{
    QFile data(file);
    std::vector<EmojiEntry> entries;
    if (data.open(QIODevice::ReadOnly) && data.size() <= kLargestFile) {
        const QByteArray bytes = data.readAll();
        entries = ParseEmojiTest(std::string_view(bytes.constData(), bytes.size()));
    }
    return entries.empty() ? BuiltInEmoji() : entries;
}

const std::vector<EmojiEntry>& EmojiPicker::All()
{
    static const std::vector<EmojiEntry> all = Load(QString::fromLatin1(kEmojiFile));
    return all;
}

QStringList EmojiPicker::Recent()
{
    return Settings().ReadText(kRecentSetting).split(u' ', Qt::SkipEmptyParts);
}

EmojiPicker::EmojiPicker(QWidget* owner)
    : QWidget(owner, Qt::Popup), m_search(new QLineEdit(this)), m_groups(new QTabBar(this)),
      m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("EmojiPicker"));
    m_search->setPlaceholderText(tr("Search emoji"));
    m_search->setAccessibleName(tr("Search emoji"));
    m_search->setClearButtonEnabled(true);
    m_groups->setExpanding(false);
    m_groups->setUsesScrollButtons(true);
    m_groups->addTab(tr("Recent"));
    QStringList groups;
    for (const EmojiEntry& entry : All())
        if (!groups.contains(Q(entry.group)))
            groups << Q(entry.group);
    // The group's name as it stands: "&" is no mnemonic here.
    for (const QString& group : groups)
        m_groups->setTabData(m_groups->addTab(QString(group).replace(u'&', QStringLiteral("&&"))),
                             group);
    m_list->setViewMode(QListView::IconMode);
    m_list->setMovement(QListView::Static);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setUniformItemSizes(true);
    m_list->setGridSize(QSize(40, 40));
    // A sequence the font draws as one picture is never cut to "...".
    m_list->setTextElideMode(Qt::ElideNone);
    m_list->setWordWrap(false);
    QFont large = m_list->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    m_list->setFont(large);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->addWidget(m_search);
    column->addWidget(m_groups);
    column->addWidget(m_list, 1);
    resize(360, 300);

    connect(m_search, &QLineEdit::textChanged, this, &EmojiPicker::Fill);
    connect(m_groups, &QTabBar::currentChanged, this, &EmojiPicker::Fill);
    connect(m_list, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { Pick(item->text()); });
    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { Pick(item->text()); });
    connect(m_search, &QLineEdit::returnPressed, this, [this] {
        if (QListWidgetItem* item = m_list->currentItem() ? m_list->currentItem() : m_list->item(0))
            Pick(item->text());
    });
}

void EmojiPicker::OpenAt(const QPoint& globalTopLeft)
{
    m_search->clear();
    // The recently used first, when there are any.
    m_groups->setCurrentIndex(Recent().isEmpty() && m_groups->count() > 1 ? 1 : 0);
    Fill();
    move(globalTopLeft);
    show();
    m_search->setFocus(Qt::PopupFocusReason);
}

void EmojiPicker::Fill()
{
    m_list->clear();
    const QString words = m_search->text().trimmed();
    const auto add = [this](const QString& text, const QString& name) {
        auto* item = new QListWidgetItem(text, m_list);
        item->setToolTip(name);
        item->setTextAlignment(Qt::AlignCenter);
    };
    if (words.isEmpty() && m_groups->currentIndex() == 0) {
        for (const QString& emoji : Recent()) {
            QString name;
            for (const EmojiEntry& entry : All())
                if (Q(entry.text) == emoji)
                    name = Q(entry.name);
            add(emoji, name);
        }
    } else {
        const QString group = m_groups->tabData(m_groups->currentIndex()).toString();
        for (const EmojiEntry& entry : All()) {
            const QString name = Q(entry.name);
            if (words.isEmpty() ? Q(entry.group) == group
                                : name.contains(words, Qt::CaseInsensitive))
                add(Q(entry.text), name);
        }
    }
    m_list->setCurrentRow(0);
}

void EmojiPicker::Pick(const QString& emoji)
{
    QStringList recent = Recent();
    recent.removeAll(emoji);
    recent.prepend(emoji);
    while (recent.size() > kMostRecent)
        recent.removeLast();
    Settings().WriteText(kRecentSetting, recent.join(u' '));
    hide();
    emit picked(emoji);
}

} // namespace zep::conversations
