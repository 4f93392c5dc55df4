// The conversation window's controls, menus, keys and layout.
#include "contacts/my_status_button.h"
#include "conversations/button_ex.h"
#include "conversations/conversation_host.h"
#include "conversations/edit_actions.h"
#include "conversations/emoji_picker.h"
#include "conversations/find_bar.h"
#include "conversations/history_window.h"
#include "conversations/message_window.h"
#include "conversations/rich_edit_ctrl_ex.h"
#include "conversations/spell_checker.h"

#include "resources/resources.h"
#include "session/settings.h"
#include "ui/colour_scheme.h"
#include "ui/contrast.h"
#include "ui/logo.h"

#include <QApplication>
#include <QBitmap>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>

namespace zep::conversations {

namespace {

constexpr int kMargin = 8;

// The Font button's picture: a letter A over a colour bar.
QPixmap FontGlyph()
{
    QPixmap glyph(16, 16);
    glyph.fill(Qt::transparent);
    QPainter painter(&glyph);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font;
    font.setPixelSize(13);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Readable(QColor(30, 30, 120), CButtonEx::DefaultBackColour()));
    painter.drawText(QRect(0, -1, 16, 14), Qt::AlignCenter, QStringLiteral("A"));
    painter.fillRect(QRect(2, 13, 12, 3), QColor(200, 30, 30));
    return glyph;
}

} // namespace

void MessageWindow::BuildControls()
{
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

    m_toLine = new QLabel(m_body);
    m_toLine->setTextFormat(Qt::PlainText);
    m_toLine->setWordWrap(true);
    m_toLine->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_toLine->setAccessibleName(tr("To"));

    m_history = new CRichEditCtrlEx(m_body);
    m_history->setReadOnly(true);
    // Keyboard users select and copy from the history too.
    m_history->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_history->SetOpensLinks(true);
    m_history->setUndoRedoEnabled(false);
    m_history->setAccessibleName(tr("Conversation history"));
    m_history->installEventFilter(this);
    m_findBar = new FindBar(*m_history);
    connect(m_findBar, &FindBar::closed, this, [this] { m_input->setFocus(Qt::OtherFocusReason); });

    m_fontButton = new CButtonEx(kFontButtonId, tr("Font"), m_body);
    FollowPalette(*m_fontButton, [this] { m_fontButton->SetBitmap(FontGlyph()); });
    m_fontButton->SetTip(tr("Select a font or text color"));
    m_fontButton->setAccessibleName(tr("Font"));
    connect(m_fontButton, &CButtonEx::Command, this, [this] { ChangeFont(); });

    m_emojiButton = new CButtonEx(kEmojiButtonId, QStringLiteral("\U0001F642"), m_body);
    m_emojiButton->SetTip(tr("Insert an emoji (Ctrl+.)"));
    m_emojiButton->setAccessibleName(tr("Emoji"));
    connect(m_emojiButton, &CButtonEx::Command, this, [this] { OpenEmojiPicker(); });

    m_input = new CRichEditCtrlEx(m_body);
    if (Settings().ReadInt(setting::SpellCheck, defaults::SpellCheck) != 0)
        m_input->EnableSpellCheck(SpellChecker::Shared());
    m_input->setAccessibleName(tr("Message"));
    m_input->installEventFilter(this);
    connect(m_input, &QTextEdit::textChanged, this, [this] { UpdateSendButton(); });

    m_sendButton = new CButtonEx(kSendButtonId, tr("Send"), m_body);
    m_sendButton->setAccessibleName(tr("Send"));
    m_sendButton->setEnabled(false);
    connect(m_sendButton, &CButtonEx::Command, this, [this] { Send(); });

    setTabOrder(m_history, m_fontButton);
    setTabOrder(m_fontButton, m_emojiButton);
    setTabOrder(m_emojiButton, m_input);
    setTabOrder(m_input, m_sendButton);
    CButtonEx::FollowBodyColours(*m_body);
}

void MessageWindow::BuildMenus()
{
    QMenu* file = m_menuBar->addMenu(tr("&File"));
    QAction* closeAction = file->addAction(tr("&Close"));
    connect(closeAction, &QAction::triggered, this, [this] { close(); });

    m_editMenu = AddEditMenu(
        *m_menuBar, *this, [this] { return FocusedPane(); }, m_editActions);
    m_editMenu->addSeparator();
    m_fontAction = m_editMenu->addAction(tr("Change &Font..."));
    connect(m_fontAction, &QAction::triggered, this, [this] { ChangeFont(); });
    // The entries show the state of the focused pane while the menu is open; their keys stay
    // live otherwise, and each command checks its rule when it runs.
    connect(m_editMenu, &QMenu::aboutToShow, this, [this] { UpdateEditActions(); });
    connect(m_editMenu, &QMenu::aboutToHide, this, [this] { ResetEditActions(); });

    QMenu* actions = m_menuBar->addMenu(tr("&Actions"));
    m_inviteAction = actions->addAction(tr("&Invite"));
    connect(m_inviteAction, &QAction::triggered, this, [this] { Invite(); });
    m_blockAction = actions->addAction(tr("&Block"));
    connect(m_blockAction, &QAction::triggered, this, [this] { Block(); });
    actions->addSeparator();
    QAction* viewHistory = actions->addAction(tr("View &History..."));
    connect(actions, &QMenu::aboutToShow, viewHistory,
            [this, viewHistory] { viewHistory->setEnabled(m_host->History() != nullptr); });
    connect(viewHistory, &QAction::triggered, this, [this] {
        // Opens with the first other participant chosen.
        const std::vector<const Participant*> others = m_participants.Others();
        if (history::Store* store = m_host->History())
            HistoryWindow::Open(*store, others.empty()
                                            ? QString()
                                            : QString::fromStdU16String(others.front()->email));
    });

    QMenu* help = m_menuBar->addMenu(tr("&Help"));
    for (const QString& entry : {tr("&Contents"), tr("&Search"), tr("&Index")}) {
        QAction* action = help->addAction(entry);
        connect(action, &QAction::triggered, this, [this] { m_host->ShowHelp(kConversationHelp); });
    }
    help->addSeparator();
    QAction* about = help->addAction(tr("&About ZEP Instant Messenger..."));
    connect(about, &QAction::triggered, this, [this] { m_host->ShowAbout(); });

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (m_findBar->isVisible())
            m_findBar->Close(); // Esc in the find bar closes the bar, not the window
        else
            close();
    });
    auto* emoji = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Period), this);
    connect(emoji, &QShortcut::activated, this, [this] {
        if (m_emojiButton->isEnabled())
            OpenEmojiPicker();
    });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, m_findBar, &FindBar::Open);
    // With two panes the next one and the previous one are the same.
    for (const QKeySequence& key :
         {QKeySequence(Qt::Key_F6), QKeySequence(Qt::SHIFT | Qt::Key_F6)}) {
        auto* switchPane = new QShortcut(key, this);
        connect(switchPane, &QShortcut::activated, this, [this] {
            CRichEditCtrlEx* to = FocusedPane() == m_history ? m_input : m_history;
            to->setFocus(Qt::ShortcutFocusReason);
        });
    }
}

CRichEditCtrlEx* MessageWindow::FocusedPane() const
{
    QWidget* focused = focusWidget();
    if (focused == m_history)
        return m_history;
    if (focused == m_input)
        return m_input;
    return nullptr;
}

void MessageWindow::UpdateEditActions()
{
    CRichEditCtrlEx* pane = FocusedPane();
    for (auto& [action, command] : m_editActions)
        action->setEnabled(pane != nullptr && pane->CanDo(static_cast<EditCommand>(command)));
    m_fontAction->setEnabled(m_fontButton->isEnabled());
}

void MessageWindow::ResetEditActions()
{
    for (auto& [action, command] : m_editActions)
        action->setEnabled(true);
}

EmojiPicker* MessageWindow::OpenEmojiPicker()
{
    if (m_emojiPicker == nullptr) {
        m_emojiPicker = new EmojiPicker(this);
        connect(m_emojiPicker, &EmojiPicker::picked, this, [this](const QString& emoji) {
            m_input->textCursor().insertText(emoji);
            m_input->setFocus(Qt::OtherFocusReason);
        });
    }
    m_emojiPicker->OpenAt(m_emojiButton->mapToGlobal(QPoint(0, m_emojiButton->height())));
    return m_emojiPicker;
}

void MessageWindow::LayOut()
{
    const int w = m_body->width();
    const int h = m_body->height();
    const int h0 = m_banner->PreferredHeight();
    m_banner->setGeometry(0, 0, w, h0);

    const int lineWidth = std::max(0, w - 2 * kMargin);
    const int toHeight =
        std::clamp(m_toLine->heightForWidth(lineWidth), 0, std::max(0, h - h0 - kMargin));
    m_toLine->setGeometry(kMargin, h0 + kMargin, lineWidth, toHeight);
    const int t = h0 + kMargin + toHeight;

    const QSize send = m_sendButton->sizeHint();
    const QSize font = m_fontButton->sizeHint();
    const int s = send.height();
    const int f = font.height();
    const int historyHeight = std::max(h - t - f - 3 * s - 32, 3 * s);
    m_history->setGeometry(kMargin, t + kMargin, lineWidth, historyHeight);

    const int fontTop = t + kMargin + historyHeight + kMargin;
    m_fontButton->setGeometry(kMargin, fontTop, font.width(), f);
    m_emojiButton->setGeometry(2 * kMargin + font.width(), fontTop, f + kMargin, f);

    const int inputTop = fontTop + f + kMargin;
    const int inputHeight = std::max(s, h - kMargin - inputTop);
    const int inputWidth = std::max(0, w - 3 * kMargin - send.width());
    m_input->setGeometry(kMargin, inputTop, inputWidth, inputHeight);
    m_sendButton->setGeometry(w - kMargin - send.width(), inputTop + (inputHeight - s) / 2,
                              send.width(), s);
}

void MessageWindow::SetMinimumFromControls()
{
    // Small enough for a corner of the screen, never so small that the history, the input or
    // "Send" disappear: the layout below gives the history three button heights at least.
    const QSize send = m_sendButton->sizeHint();
    const QSize font = m_fontButton->sizeHint();
    const int line = m_toLine->fontMetrics().height();
    const int width = std::max(font.width() + font.height() + 2 * kMargin, 2 * send.width()) +
                      send.width() + 3 * kMargin;
    const int height = m_banner->PreferredHeight() + 2 * kMargin + line + 3 * send.height() +
                       kMargin + font.height() + kMargin + send.height() + kMargin;
    m_body->setMinimumSize(width, height);
}

// ---- activation and keys -------------------------------------------------------------------

void MessageWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        StopFlashing();
        if (m_unread > 0) {
            m_unread = 0;
            UpdateTitle();
            emit unreadChanged();
        }
    }
    QWidget::changeEvent(event);
}

namespace {

bool ProducesText(const QKeyEvent& key)
{
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString text = key.text();
    return !text.isEmpty() && text.at(0).isPrint();
}

bool IsEnter(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

} // namespace

bool MessageWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_body && event->type() == QEvent::Resize) {
        LayOut();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == m_input && ToggleInputStyle(*key))
        return true;
    if (watched == m_input && IsEnter(*key) && !(key->modifiers() & Qt::ControlModifier)) {
        if (m_input->isReadOnly())
            return false;
        if (m_enterSends && !(key->modifiers() & Qt::ShiftModifier)) {
            if (m_sendButton->isEnabled())
                Send();
        } else {
            // A paragraph break, whatever the modifier, so the sent text has plain line ends.
            m_input->textCursor().insertBlock();
            m_input->ensureCursorVisible();
        }
        return true;
    }
    if (watched == m_history) {
        if (IsEnter(*key) && m_enterSends) {
            if (m_sendButton->isEnabled())
                Send();
            return true;
        }
        // Typing anywhere goes to the input; keys that move or select stay here.
        if (ProducesText(*key)) {
            ForwardToInput(*key);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MessageWindow::ForwardToInput(const QKeyEvent& key)
{
    // A read-only input hands a typed key back up to this window: forwarding it again would
    // never end. Nothing typed has a place to go then, so the key stops here.
    if (m_forwardingKey || m_input->isReadOnly())
        return;
    m_forwardingKey = true;
    m_input->setFocus(Qt::OtherFocusReason);
    QKeyEvent copy(key.type(), key.key(), key.modifiers(), key.text(), key.isAutoRepeat(),
                   key.count());
    QApplication::sendEvent(m_input, &copy);
    m_forwardingKey = false;
}

bool MessageWindow::ToggleInputStyle(const QKeyEvent& key)
{
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier || m_input->isReadOnly())
        return false;
    const QTextCharFormat now = m_input->currentCharFormat();
    QTextCharFormat change;
    switch (key.key()) {
    case Qt::Key_B:
        change.setFontWeight(now.fontWeight() > QFont::Normal ? QFont::Normal : QFont::Bold);
        break;
    case Qt::Key_I:
        change.setFontItalic(!now.fontItalic());
        break;
    case Qt::Key_U:
        change.setFontUnderline(!now.fontUnderline());
        break;
    default:
        return false;
    }
    m_input->mergeCurrentCharFormat(change);
    return true;
}

void MessageWindow::keyPressEvent(QKeyEvent* event)
{
    // Keys the buttons leave alone reach the window.
    if (IsEnter(*event) && m_enterSends) {
        if (m_sendButton->isEnabled())
            Send();
        return;
    }
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
    if (ProducesText(*event)) {
        ForwardToInput(*event);
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace zep::conversations
