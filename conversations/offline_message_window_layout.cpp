// The offline message window's controls, menus, keys and layout.
#include "contacts/my_status_button.h"
#include "conversations/button_ex.h"
#include "conversations/edit_actions.h"
#include "conversations/offline_message_host.h"
#include "conversations/offline_message_window.h"
#include "conversations/rich_edit_ctrl_ex.h"
#include "conversations/spell_checker.h"

#include "session/settings.h"
#include "ui/logo.h"

#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

namespace zep::conversations {

namespace {

constexpr int kEdge = 6;    // from the window's left and right edges
constexpr int kRowGap = 10; // between the banner, the rows and the message pane
constexpr int kButtonBand = 20;

QString Q(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

QLabel* Caption(const QString& text, QWidget* parent)
{
    auto* caption = new QLabel(text, parent);
    caption->setTextFormat(Qt::PlainText);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return caption;
}

QComboBox* DropDownList(const std::vector<std::u16string>& entries, const QString& name,
                        QWidget* parent)
{
    auto* list = new QComboBox(parent);
    for (const std::u16string& entry : entries)
        list->addItem(Q(entry));
    list->setCurrentIndex(0);
    list->setAccessibleName(name);
    return list;
}

} // namespace

void COfflineMessageWindow::BuildControls(const OfflineRecipients& lists)
{
    setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    m_menuBar = new QMenuBar(this);
    frame->setMenuBar(m_menuBar);

    m_body = new QWidget(this);
    m_body->setAutoFillBackground(true);
    m_body->installEventFilter(this);
    frame->addWidget(m_body);

    QImage logo;
    if (LoadLogo(logo))
        m_logo = TransparentTopLeft(logo);
    m_banner = new contacts::CMyStatusButton(m_body);
    m_banner->SetLogo(m_logo);
    m_banner->SetLogoLink(
        Settings().ReadText(setting::LogoLink, QString::fromLatin1(defaults::LogoLink)));
    m_banner->setFocusPolicy(Qt::NoFocus);

    // Captions are plain labels: they paint nothing behind their text.
    m_fromCaption = Caption(tr("From"), m_body);
    m_fromList = DropDownList(lists.from, tr("From"), m_body);
    m_fromCaption->setBuddy(m_fromList);
    m_toCaption = Caption(tr("To"), m_body);
    m_toList = DropDownList(lists.to, tr("To"), m_body);
    m_toCaption->setBuddy(m_toList);

    const bool email = m_kind == OfflineKind::Email;
    const QString third = email ? tr("Subject") : tr("Remaining");
    m_thirdCaption = Caption(third, m_body);
    if (email) {
        m_subject = new QLineEdit(m_body);
        m_thirdBox = m_subject;
    } else {
        // The counter is the window's to write, never the user's: a label, not a field.
        m_remaining = new QLabel(m_body);
        m_remaining->setTextFormat(Qt::PlainText);
        m_remaining->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_thirdBox = m_remaining;
    }
    m_thirdBox->setAccessibleName(third);
    m_thirdCaption->setBuddy(m_thirdBox);

    m_pane = new CRichEditCtrlEx(m_body);
    if (Settings().ReadInt(setting::SpellCheck, defaults::SpellCheck) != 0)
        m_pane->EnableSpellCheck(SpellChecker::Shared());
    m_pane->setAcceptRichText(false);
    m_pane->setAccessibleName(tr("Message"));
    connect(m_pane, &QTextEdit::textChanged, this, [this] { TextChanged(); });

    m_sendButton = new CButtonEx(kOfflineSendButtonId, tr("Send"), m_body);
    m_sendButton->setAccessibleName(tr("Send"));
    m_sendButton->setEnabled(false);
    connect(m_sendButton, &CButtonEx::Command, this, [this] { Send(); });
    m_cancelButton = new CButtonEx(kOfflineCancelButtonId, tr("Cancel"), m_body);
    m_cancelButton->setAccessibleName(tr("Cancel"));
    connect(m_cancelButton, &CButtonEx::Command, this, [this] { close(); });

    setTabOrder(m_fromList, m_toList);
    if (m_subject != nullptr) {
        setTabOrder(m_toList, m_subject);
        setTabOrder(m_subject, m_pane);
    } else {
        setTabOrder(m_toList, m_pane);
    }
    setTabOrder(m_pane, m_sendButton);
    setTabOrder(m_sendButton, m_cancelButton);
    CButtonEx::FollowBodyColours(*m_body);
}

void COfflineMessageWindow::BuildMenus()
{
    QMenu* file = m_menuBar->addMenu(tr("&File"));
    QAction* closeAction = file->addAction(tr("&Close"));
    connect(closeAction, &QAction::triggered, this, [this] { close(); });

    m_editMenu = AddEditMenu(
        *m_menuBar, *this, [this] { return FocusedField(); }, m_editActions);
    // The entries show the state of the focused text field while the menu is open; their keys stay
    // live otherwise, and each command checks its rule when it runs.
    connect(m_editMenu, &QMenu::aboutToShow, this, [this] { UpdateEditActions(); });
    connect(m_editMenu, &QMenu::aboutToHide, this, [this] { ResetEditActions(); });

    QMenu* help = m_menuBar->addMenu(tr("&Help"));
    for (const QString& entry : {tr("&Contents"), tr("&Search"), tr("&Index")}) {
        QAction* action = help->addAction(entry);
        connect(action, &QAction::triggered, this,
                [this] { m_host->ShowHelp(kOfflineMessageHelp); });
    }
    help->addSeparator();
    QAction* about = help->addAction(tr("&About ZEP Instant Messenger..."));
    connect(about, &QAction::triggered, this, [this] { m_host->ShowAbout(); });
}

QWidget* COfflineMessageWindow::FocusedField() const
{
    QWidget* focused = focusWidget();
    return focused == m_pane || (focused != nullptr && focused == m_subject) ? focused : nullptr;
}

void COfflineMessageWindow::UpdateEditActions()
{
    QWidget* field = FocusedField();
    for (auto& [action, command] : m_editActions)
        action->setEnabled(CanEdit(field, command));
}

void COfflineMessageWindow::ResetEditActions()
{
    for (auto& [action, command] : m_editActions)
        action->setEnabled(true);
}

void COfflineMessageWindow::LayOut()
{
    const int w = m_body->width();
    const int h = m_body->height();
    const int bannerHeight = m_banner->PreferredHeight();
    m_banner->setGeometry(0, 0, w, bannerHeight);

    const std::array<std::pair<QLabel*, QWidget*>, 3> rows = {
        std::pair<QLabel*, QWidget*>{m_fromCaption, m_fromList},
        {m_toCaption, m_toList},
        {m_thirdCaption, m_thirdBox}};
    int captionWidth = 0;
    int rowHeight = 0;
    for (const auto& [caption, field] : rows) {
        captionWidth = std::max(captionWidth, caption->sizeHint().width());
        // A row is as high as its caption, or as its field where that is taller, so the
        // fields never overlap.
        rowHeight = std::max({rowHeight, caption->sizeHint().height(), field->sizeHint().height()});
    }
    const int fieldLeft = kEdge + captionWidth + kEdge;
    const int fieldWidth = std::max(0, w - kEdge - fieldLeft);
    int y = bannerHeight + kRowGap;
    for (const auto& [caption, field] : rows) {
        caption->setGeometry(kEdge, y, captionWidth, rowHeight);
        field->setGeometry(fieldLeft, y, fieldWidth, rowHeight);
        y += rowHeight + kRowGap;
    }

    const QSize button = m_sendButton->sizeHint().expandedTo(m_cancelButton->sizeHint());
    const int paneTop = y;
    const int paneBottom = std::max(paneTop + rowHeight, h - kButtonBand - button.height());
    m_pane->setGeometry(kEdge, paneTop, std::max(0, w - 2 * kEdge), paneBottom - paneTop);

    const int buttonTop = paneBottom + kButtonBand / 2;
    const int cancelLeft = w - kEdge - button.width();
    m_cancelButton->setGeometry(cancelLeft, buttonTop, button.width(), button.height());
    m_sendButton->setGeometry(cancelLeft - kEdge - button.width(), buttonTop, button.width(),
                              button.height());
}

// ---- keys ----------------------------------------------------------------------------------

bool COfflineMessageWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_body && event->type() == QEvent::Resize)
        LayOut();
    return QWidget::eventFilter(watched, event);
}

void COfflineMessageWindow::keyPressEvent(QKeyEvent* event)
{
    // Esc closes the window when no control took it. Not a window shortcut: an open drop-down
    // list closes itself on the key first, and a shortcut would then close the window too.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    // Arrow keys the focused control leaves alone move between the controls.
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        focusPreviousChild();
        return;
    case Qt::Key_Right:
    case Qt::Key_Down:
        focusNextChild();
        return;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

} // namespace zep::conversations
