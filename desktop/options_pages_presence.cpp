// The pages that edit the server variables: "Personal" and "Message".
#include "desktop/options_pages.h"

#include "protocol/vocabulary.h"
#include "session/settings.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

namespace zep {
namespace {

constexpr const char* kAvailability = "WebmailIMAvailability";
constexpr const char* kShowAway = "IMShowAway";
constexpr const char* kAwayTime = "IMAwayTime";
constexpr const char* kEmailTranscripts = "WebmailIMEmailTransaction";
constexpr const char* kSendOnEnter = "WebmailIMSendOnEnter";
constexpr const char* kDefaultAvailability = "AVAILABLE";
constexpr const char* kDefaultAwayTime = "3";
constexpr int kMinAwayTime = 3;

QString Text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

void AddEntry(QComboBox* list, const std::string& display, const std::string& word)
{
    list->addItem(Text(display), Text(word));
}

void FillSubStatus(QComboBox* list)
{
    for (SubStatus s : kSubStatusMenuOrder) {
        std::string word;
        SubStatusToWord(s, word);
        AddEntry(list, VocabularyText(SubStatusTextId(s)), word);
    }
}

void FillContactMethods(QComboBox* list)
{
    for (int m = static_cast<int>(ContactMethod::Email);
         m <= static_cast<int>(ContactMethod::WorkFax); ++m) {
        std::string word;
        ContactMethodToWord(static_cast<ContactMethod>(m), word);
        AddEntry(list, VocabularyText(ContactMethodTextId(static_cast<ContactMethod>(m))), word);
    }
}

void FillDefaultStatus(QComboBox* list)
{
    for (PresenceStatus p : {PresenceStatus::Available, PresenceStatus::Unavailable}) {
        std::string word;
        PresenceStatusToWord(p, word);
        AddEntry(list, VocabularyText(PresenceStatusTextId(p)), word);
    }
    FillSubStatus(list);
}

// The stored word in the list's own spelling: contact methods are matched regardless of case.
QString ListWord(const QComboBox* list, const QString& stored)
{
    if (list->objectName() != QLatin1String("IMOfflineContactMethod"))
        return stored;
    ContactMethod method = ContactMethod::None;
    std::string word;
    if (ContactMethodFromWord(stored.toStdString(), method) != ImResult::Ok ||
        ContactMethodToWord(method, word) != ImResult::Ok)
        return stored;
    return Text(word);
}

void ShowBox(QCheckBox* box, const Settings& settings)
{
    box->setChecked(settings.ReadText(box->objectName().toLatin1().constData()) ==
                    QLatin1String("1"));
}

void WriteBox(const QCheckBox* box, Settings& settings)
{
    settings.WriteText(box->objectName().toLatin1().constData(),
                       box->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace

std::optional<int> ParsePortField(const QString& text, int fallback)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return fallback;
    bool ok = false;
    const uint port = trimmed.toUInt(&ok, 10);
    if (!ok || port > 65535 || trimmed.startsWith(u'+'))
        return std::nullopt;
    return port == 0 ? fallback : static_cast<int>(port);
}

QString AwayTimeToStore(const QString& text)
{
    bool ok = false;
    const int minutes = text.trimmed().toInt(&ok, 10);
    return ok && minutes >= kMinAwayTime ? QString::number(minutes)
                                         : QString::fromLatin1(kDefaultAwayTime);
}

// ---- COptionsPage ------------------------------------------------------------------------

void COptionsPage::EnsureLoaded()
{
    if (m_loaded)
        return;
    m_loaded = true;
    m_filling = true;
    Load();
    m_filling = false;
}

void COptionsPage::Changed()
{
    if (!m_filling)
        emit Modified();
}

void COptionsPage::VariableChanged()
{
    if (m_filling)
        return;
    emit VariablesEdited();
    emit Modified();
}

// ---- Personal ----------------------------------------------------------------------------

CZEPOptionsPersonal::CZEPOptionsPersonal(QWidget* parent)
    : COptionsPage(parent), m_awayTime(new QLineEdit(this))
{
    auto* onGroup = new QGroupBox(tr("Logged On"), this);
    auto* on = new QGridLayout(onGroup);
    on->addWidget(AddBox("IMOnlineShowEmail", tr("Show my use of &email")), 0, 0, 1, 2);
    on->addWidget(AddBox("IMOnlineShowCalendar", tr("Show &calendar entries as")), 1, 0);
    QComboBox* onCalendar = AddList("IMOnlineCalendarStatus");
    FillSubStatus(onCalendar);
    on->addWidget(onCalendar, 1, 1);
    on->addWidget(AddBox("IMOnlineShowLocation", tr("Show &location")), 2, 0, 1, 2);

    auto* offGroup = new QGroupBox(tr("Not Logged On"), this);
    auto* off = new QGridLayout(offGroup);
    off->addWidget(AddBox("IMOfflineShowEmail", tr("Show my use of e&mail")), 0, 0, 1, 2);
    off->addWidget(AddBox("IMOfflineShowCalendar", tr("Show calen&dar entries as")), 1, 0);
    QComboBox* offCalendar = AddList("IMOfflineCalendarStatus");
    FillSubStatus(offCalendar);
    off->addWidget(offCalendar, 1, 1);
    off->addWidget(AddBox("IMShowOfflineContactMethod", tr("Show &preferred contact method as")), 2,
                   0);
    QComboBox* method = AddList("IMOfflineContactMethod");
    FillContactMethods(method);
    off->addWidget(method, 2, 1);

    auto* statusGroup = new QGroupBox(tr("My Status"), this);
    auto* status = new QGridLayout(statusGroup);
    QComboBox* availability = AddList(kAvailability);
    FillDefaultStatus(availability);
    auto* statusLabel = new QLabel(tr("My default &status"), this);
    statusLabel->setBuddy(availability);
    status->addWidget(statusLabel, 0, 0);
    status->addWidget(availability, 0, 1);
    status->addWidget(AddBox(kShowAway, tr("Show as &away after inactive for")), 1, 0);
    m_awayTime->setObjectName(QLatin1String(kAwayTime));
    m_awayTime->setValidator(new QIntValidator(0, 9999, m_awayTime));
    m_awayTime->setMaxLength(4);
    m_awayTime->setMaximumWidth(60);
    auto* away = new QHBoxLayout;
    away->addWidget(m_awayTime);
    away->addWidget(new QLabel(tr("minutes"), this));
    away->addStretch(1);
    status->addLayout(away, 1, 1);
    connect(m_awayTime, &QLineEdit::textEdited, this, &CZEPOptionsPersonal::VariableChanged);

    for (QGridLayout* grid : {on, off, status})
        grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(onGroup);
    layout->addWidget(offGroup);
    layout->addWidget(statusGroup);
    layout->addStretch(1);
    SetVariablesLoaded(false);
}

QCheckBox* CZEPOptionsPersonal::AddBox(const char* name, const QString& text)
{
    auto* box = new QCheckBox(text, this);
    box->setObjectName(QLatin1String(name));
    connect(box, &QCheckBox::toggled, this, &CZEPOptionsPersonal::VariableChanged);
    m_boxes.append(box);
    return box;
}

QComboBox* CZEPOptionsPersonal::AddList(const char* name)
{
    auto* list = new QComboBox(this);
    list->setObjectName(QLatin1String(name));
    connect(list, &QComboBox::currentIndexChanged, this, &CZEPOptionsPersonal::VariableChanged);
    m_lists.append(list);
    return list;
}

void CZEPOptionsPersonal::SetVariablesLoaded(bool loaded)
{
    // Until the fetched values are in the store, what the controls show may be stale: they stay
    // disabled so they cannot be applied over the server's values.
    for (QWidget* w : findChildren<QWidget*>())
        w->setEnabled(loaded);
    if (loaded && Loaded()) {
        m_filling = true;
        Load();
        m_filling = false;
    }
}

void CZEPOptionsPersonal::Load()
{
    const Settings settings;
    for (QCheckBox* box : std::as_const(m_boxes))
        ShowBox(box, settings);
    for (QComboBox* list : std::as_const(m_lists)) {
        list->setMaxVisibleItems(list->count());
        QString stored = settings.ReadText(list->objectName().toLatin1().constData());
        // A server without the variable sends it empty: that is the default as well.
        if (stored.isEmpty() && list->objectName() == QLatin1String(kAvailability))
            stored = QString::fromLatin1(kDefaultAvailability);
        list->setCurrentIndex(list->findData(ListWord(list, stored)));
    }
    const QString away = settings.ReadText(kAwayTime);
    m_awayTime->setText(away.isEmpty() ? QString::fromLatin1(kDefaultAwayTime) : away);
}

void CZEPOptionsPersonal::Apply(bool variablesLoaded)
{
    if (!variablesLoaded || !Loaded())
        return;
    Settings settings;
    for (const QCheckBox* box : std::as_const(m_boxes))
        WriteBox(box, settings);
    for (const QComboBox* list : std::as_const(m_lists)) {
        if (list->currentIndex() >= 0)
            settings.WriteText(list->objectName().toLatin1().constData(),
                               list->currentData().toString());
    }
    const QString away = AwayTimeToStore(m_awayTime->text());
    settings.WriteText(kAwayTime, away);
    m_filling = true;
    m_awayTime->setText(away);
    m_filling = false;
}

// ---- Message -----------------------------------------------------------------------------

CZEPOptionsMessage::CZEPOptionsMessage(QWidget* parent)
    : COptionsPage(parent),
      m_transcripts(new QCheckBox(tr("Email instant message &transcripts"), this)),
      m_sendOnEnter(new QCheckBox(tr("Send message when the &enter key is pressed"), this)),
      m_notify(new QCheckBox(tr("Show a desktop &notification when a message arrives"), this)),
      m_timestamps(new QCheckBox(tr("Show the t&ime of each message"), this)),
      m_spellCheck(new QCheckBox(tr("Check s&pelling as I type"), this)),
      m_keepHistory(new QCheckBox(tr("&Keep a history of my conversations"), this)),
      m_deleteHistory(new QPushButton(tr("&Delete history..."), this)),
      m_font(new QPushButton(tr("Change &Font..."), this))
{
    m_transcripts->setObjectName(QLatin1String(kEmailTranscripts));
    m_sendOnEnter->setObjectName(QLatin1String(kSendOnEnter));
    m_font->setObjectName(QStringLiteral("changefont"));
    m_notify->setObjectName(QLatin1String(setting::NotifyMessages));
    m_timestamps->setObjectName(QLatin1String(setting::ShowTimestamps));
    m_spellCheck->setObjectName(QLatin1String(setting::SpellCheck));
    m_keepHistory->setObjectName(QLatin1String(setting::KeepHistory));
    m_deleteHistory->setObjectName(QStringLiteral("deletehistory"));
    for (QCheckBox* box : {m_timestamps, m_spellCheck, m_keepHistory})
        connect(box, &QCheckBox::toggled, this, &CZEPOptionsMessage::Changed);
    connect(m_deleteHistory, &QPushButton::clicked, this,
            &CZEPOptionsMessage::ConfirmDeleteHistory);
    for (QCheckBox* box : {m_transcripts, m_sendOnEnter})
        connect(box, &QCheckBox::toggled, this, &CZEPOptionsMessage::VariableChanged);
    connect(m_notify, &QCheckBox::toggled, this, &CZEPOptionsMessage::Changed);
    connect(m_font, &QPushButton::clicked, this, &CZEPOptionsMessage::ChangeFontRequested);

    auto* settingsGroup = new QGroupBox(tr("Settings"), this);
    auto* boxes = new QVBoxLayout(settingsGroup);
    boxes->addWidget(m_transcripts);
    boxes->addWidget(m_sendOnEnter);
    boxes->addWidget(m_notify);
    boxes->addWidget(m_timestamps);
    boxes->addWidget(m_spellCheck);

    auto* historyGroup = new QGroupBox(tr("History"), this);
    auto* history = new QHBoxLayout(historyGroup);
    history->addWidget(m_keepHistory, 1);
    history->addWidget(m_deleteHistory, 0, Qt::AlignRight | Qt::AlignVCenter);

    auto* fontGroup = new QGroupBox(tr("Font"), this);
    auto* font = new QHBoxLayout(fontGroup);
    auto* fontLabel = new QLabel(tr("Change the font used to send instant messages"), this);
    fontLabel->setWordWrap(true);
    font->addWidget(fontLabel, 1);
    font->addWidget(m_font, 0, Qt::AlignRight | Qt::AlignVCenter);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(settingsGroup);
    layout->addWidget(historyGroup);
    layout->addWidget(fontGroup);
    layout->addStretch(1);
    SetVariablesLoaded(false);
}

void CZEPOptionsMessage::SetVariablesLoaded(bool loaded)
{
    m_transcripts->setEnabled(loaded);
    m_sendOnEnter->setEnabled(loaded);
    if (loaded && Loaded()) {
        m_filling = true;
        Load();
        m_filling = false;
    }
}

void CZEPOptionsMessage::Load()
{
    const Settings settings;
    ShowBox(m_transcripts, settings);
    ShowBox(m_sendOnEnter, settings);
    m_notify->setChecked(settings.ReadInt(setting::NotifyMessages, defaults::NotifyMessages) != 0);
    m_timestamps->setChecked(settings.ReadInt(setting::ShowTimestamps, defaults::ShowTimestamps) !=
                             0);
    m_keepHistory->setChecked(settings.ReadInt(setting::KeepHistory, defaults::KeepHistory) != 0);
    m_spellCheck->setChecked(settings.ReadInt(setting::SpellCheck, defaults::SpellCheck) != 0);
}

void CZEPOptionsMessage::ConfirmDeleteHistory()
{
    auto* box = new QMessageBox(QMessageBox::Question, tr("Delete History"),
                                tr("Delete the history of all your conversations on this "
                                   "computer? This cannot be undone."),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setDefaultButton(QMessageBox::No);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this](int answer) {
        if (answer == QMessageBox::Yes)
            emit DeleteHistoryRequested();
    });
    box->open();
}

void CZEPOptionsMessage::Apply(bool variablesLoaded)
{
    if (!Loaded())
        return;
    Settings settings;
    settings.WriteInt(setting::NotifyMessages, m_notify->isChecked() ? 1 : 0);
    settings.WriteInt(setting::ShowTimestamps, m_timestamps->isChecked() ? 1 : 0);
    settings.WriteInt(setting::KeepHistory, m_keepHistory->isChecked() ? 1 : 0);
    settings.WriteInt(setting::SpellCheck, m_spellCheck->isChecked() ? 1 : 0);
    if (!variablesLoaded)
        return;
    WriteBox(m_transcripts, settings);
    WriteBox(m_sendOnEnter, settings);
}

} // namespace zep
