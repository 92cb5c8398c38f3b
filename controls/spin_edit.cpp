#include "controls/spin_edit.h"

#include "controls/int_text.h"
#include "controls/spin_button.h"
#include "controls/spin_geometry.h"
#include "controls/timer_speed_button.h"
#include "platform/beep.h"
#include "platform/errors.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QScopedValueRollback>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

// Set when an exit step run by a mouse press lost the window to a box (the window's check of
// the field): the press was made before the box and its release went to the box, so an arrow
// that took the press now would repeat with no button held. Cleared once the press is through.
bool mousePressSpent = false;

constexpr int qtMaxLength = 32767;

bool isPrintable(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() >= 32 && c.unicode() != 127;
    });
}

} // namespace

TSpinEdit::TSpinEdit(QWidget *parent)
    : QLineEdit(parent)
    , m_button(new TSpinButton(this))
{
    QLineEdit::setText(QStringLiteral("0"));
    m_knownText = QLineEdit::text();
    QLineEdit::setMaxLength(qtMaxLength);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_button->setFocusControl(this);
    m_button->setCursor(Qt::ArrowCursor);
    m_button->OnUpClick = [this](QObject *) { StepUp(); };
    m_button->OnDownClick = [this](QObject *) { StepDown(); };
    m_button->upButton()->installEventFilter(this);
    m_button->downButton()->installEventFilter(this);

    connect(this, &QLineEdit::textChanged, this, &TSpinEdit::textChangedByQt);

    updateMinimumHeight();
    updateLayout();
}

void TSpinEdit::setText(const QString &text)
{
    const QString before = QLineEdit::text();
    if (text == before) {
        return;
    }
    {
        const QScopedValueRollback<bool> assigning(m_assigning, true);
        QLineEdit::setText(text);
    }
    m_knownText = QLineEdit::text();
    if (m_knownText != before && OnChange) {
        OnChange(this);
    }
}

qint32 TSpinEdit::Value() const
{
    return controls::tryStrToInt(QLineEdit::text()).value_or(m_minValue);
}

void TSpinEdit::setValue(qint32 value)
{
    setText(controls::intToStr(ClampValue(value)));
}

void TSpinEdit::setReadOnly(bool readOnly)
{
    QLineEdit::setReadOnly(readOnly);
}

void TSpinEdit::setMaxLength(int length)
{
    m_maxLength = std::max(length, 0);
    QLineEdit::setMaxLength(m_maxLength > 0 ? std::min(m_maxLength, qtMaxLength) : qtMaxLength);
}

bool TSpinEdit::TabStop() const
{
    return (focusPolicy() & Qt::TabFocus) != 0;
}

void TSpinEdit::setTabStop(bool tabStop)
{
    setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

void TSpinEdit::setFrame(bool frame)
{
    QLineEdit::setFrame(frame);
    updateLayout();
}

qint32 TSpinEdit::ClampValue(qint32 value) const
{
    if (m_minValue == m_maxValue) {
        return value;
    }
    if (value < m_minValue) {
        return m_minValue;
    }
    if (value > m_maxValue) {
        return m_maxValue;
    }
    return value;
}

bool TSpinEdit::CharAllowed(QChar key) const
{
    const char16_t c = key.unicode();
    if (!m_editorEnabled && (c >= 32 || c == 8)) {
        return false;
    }
    if (c < 32) {
        return c != 13;
    }
    if ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-') {
        return true;
    }
    const QString separator = QLocale().decimalPoint();
    return separator.size() == 1 && separator.front() == key;
}

namespace {

// The sum held at the 32-bit limits instead of wrapping round to the other end.
qint32 saturatedSum(qint32 a, qint64 b)
{
    return static_cast<qint32>(std::clamp<qint64>(qint64(a) + b, std::numeric_limits<qint32>::min(),
                                                  std::numeric_limits<qint32>::max()));
}

} // namespace

void TSpinEdit::StepUp()
{
    if (ReadOnly()) {
        platform::beep();
        return;
    }
    setValue(saturatedSum(Value(), m_increment));
}

void TSpinEdit::StepDown()
{
    if (ReadOnly()) {
        platform::beep();
        return;
    }
    setValue(saturatedSum(Value(), -qint64(m_increment)));
}

void TSpinEdit::textChangedByQt(const QString &text)
{
    // setText raises its own OnChange; Qt also reports typing over an identical selected
    // character, which changes nothing.
    if (m_assigning || text == m_knownText) {
        return;
    }
    m_knownText = text;
    platform::guarded([this] {
        if (OnChange) {
            OnChange(this);
        }
    });
}

bool TSpinEdit::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
        ++m_activationChanges;
    }
    // Keep Enter and Escape from the window's default and cancel buttons, and the arrow keys
    // from shortcuts.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Up:
        case Qt::Key_Down:
            key->accept();
            return true;
        default:
            break;
        }
    }
    return QLineEdit::event(event);
}

void TSpinEdit::keyPressEvent(QKeyEvent *event)
{
    platform::guarded([&] { processKey(event); });
}

bool TSpinEdit::passControlChar(char16_t c)
{
    if (!CharAllowed(QChar(c))) {
        platform::beep();
        return false;
    }
    if (OnKeyPress) {
        QChar key(c);
        OnKeyPress(this, key);
        return !key.isNull();
    }
    return true;
}

bool TSpinEdit::clipboardEditAllowed() const
{
    return m_editorEnabled && !isReadOnly();
}

void TSpinEdit::processKey(QKeyEvent *event)
{
    int key = event->key();
    event->accept();
    if (key == Qt::Key_Up) {
        StepUp();
    } else if (key == Qt::Key_Down) {
        StepDown();
    }
    if (OnKeyDown) {
        OnKeyDown(this, key, event->modifiers());
        if (key == 0) {
            return;
        }
    }

    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        passControlChar(u'\r'); // refused with a beep; a one-line field has no line break
        return;
    case Qt::Key_Escape:
        passControlChar(u'\x1b'); // changes nothing
        return;
    case Qt::Key_Backspace:
        if (!passControlChar(u'\b')) {
            return;
        }
        break;
    default:
        break;
    }

    if (event->matches(QKeySequence::Paste)) {
        if (clipboardEditAllowed()) {
            paste();
        }
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        if (clipboardEditAllowed()) {
            cut();
        }
        return;
    }
    if (!m_editorEnabled
        && (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)
            || event->matches(QKeySequence::Delete) || event->matches(QKeySequence::DeleteEndOfWord)
            || event->matches(QKeySequence::DeleteEndOfLine)
            || event->matches(QKeySequence::DeleteCompleteLine))) {
        return;
    }

    const QString text = event->text();
    if (isPrintable(text)) {
        QString passed;
        for (const QChar c : text) {
            if (!CharAllowed(c)) {
                platform::beep();
                continue;
            }
            QChar typed = c;
            if (OnKeyPress) {
                OnKeyPress(this, typed);
            }
            if (!typed.isNull()) {
                passed += typed;
            }
        }
        if (passed.isEmpty()) {
            return;
        }
        if (passed != text) {
            QKeyEvent filtered(event->type(), event->key(), event->modifiers(), passed,
                               event->isAutoRepeat());
            QLineEdit::keyPressEvent(&filtered);
            event->setAccepted(filtered.isAccepted());
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TSpinEdit::inputMethodEvent(QInputMethodEvent *event)
{
    platform::guarded([&] {
        const QString commit = event->commitString();
        QString passed;
        for (const QChar c : commit) {
            if (CharAllowed(c)) {
                passed += c;
            } else {
                platform::beep();
            }
        }
        if (passed == commit) {
            QLineEdit::inputMethodEvent(event);
            return;
        }
        QInputMethodEvent filtered(event->preeditString(), event->attributes());
        filtered.setCommitString(passed, event->replacementStart(), event->replacementLength());
        QLineEdit::inputMethodEvent(&filtered);
    });
}

void TSpinEdit::focusInEvent(QFocusEvent *event)
{
    if (m_entered) {
        // Back from a popup or from another window: the field was never left.
        QLineEdit::focusInEvent(event);
        return;
    }
    m_entered = true;
    if (event->reason() == Qt::MouseFocusReason) {
        // Qt gives the focus before it delivers the press; whether the press went into the
        // text or onto an arrow decides the selection (see mousePressEvent and eventFilter).
        QLineEdit::focusInEvent(event);
        m_entryPending = true;
        QTimer::singleShot(0, this, [this] {
            if (m_entryPending) {
                finishEntry(true);
            }
        });
        return;
    }
    // The entry rule decides the selection, not QLineEdit.
    QFocusEvent neutral(QEvent::FocusIn, Qt::OtherFocusReason);
    QLineEdit::focusInEvent(&neutral);
    finishEntry(true);
}

void TSpinEdit::finishEntry(bool selectAllText)
{
    m_entryPending = false;
    platform::guarded([&] {
        if (selectAllText && m_autoSelect) {
            selectAll();
        }
        if (OnEnter) {
            OnEnter(this);
        }
    });
}

bool TSpinEdit::focusMovedWithinWindow(Qt::FocusReason reason) const
{
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason
        || reason == Qt::MenuBarFocusReason) {
        return false;
    }
    const QWidget *next = QApplication::focusWidget();
    if (next == this) {
        return false;
    }
    return !next || next->window() == window();
}

void TSpinEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (!m_entered || !focusMovedWithinWindow(event->reason())) {
        return;
    }
    if (m_entryPending) {
        finishEntry(true);
    }
    m_entered = false;
    exitStep(event->reason());
}

void TSpinEdit::exitStep(Qt::FocusReason reason)
{
    const quint32 activationChanges = m_activationChanges;
    platform::guarded([this] {
        if (OnExit) {
            OnExit(this);
        }
        const qint32 value = Value();
        if (ClampValue(value) != value) {
            setValue(value);
        }
    });
    if (reason == Qt::MouseFocusReason && activationChanges != m_activationChanges) {
        mousePressSpent = true;
        QTimer::singleShot(0, qApp, [] { mousePressSpent = false; });
    }
}

bool TSpinEdit::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        && (watched == m_button->upButton() || watched == m_button->downButton())) {
        if (mousePressSpent && event->spontaneous()) {
            mousePressSpent = false;
            return true;
        }
        // A press on an arrow that gave this field the focus: entered with everything selected.
        if (m_entryPending) {
            finishEntry(true);
        }
    }
    return QLineEdit::eventFilter(watched, event);
}

void TSpinEdit::mousePressEvent(QMouseEvent *event)
{
    if (m_entryPending) {
        // A left press into the text places the caret instead of selecting.
        finishEntry(event->button() != Qt::LeftButton);
    }
    QLineEdit::mousePressEvent(event);
}

void TSpinEdit::mouseReleaseEvent(QMouseEvent *event)
{
    // The middle button pastes the selection on X11.
    if (event->button() == Qt::MiddleButton && !clipboardEditAllowed()) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TSpinEdit::contextMenuEvent(QContextMenuEvent *event)
{
    // QLineEdit's own menu would paste and cut past EditorEnabled; same items, own rules.
    const bool editable = clipboardEditAllowed();
    const bool selected = hasSelectedText();
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto add
        = [&](const QString &label, QKeySequence::StandardKey key, bool enabled, auto slot) {
              QString text = label;
              const QKeySequence sequence(key);
              if (!sequence.isEmpty()) {
                  text += QLatin1Char('\t') + sequence.toString(QKeySequence::NativeText);
              }
              QAction *action = menu->addAction(text);
              action->setEnabled(enabled);
              connect(action, &QAction::triggered, this, slot);
          };
    add(QLineEdit::tr("&Undo"), QKeySequence::Undo, editable && isUndoAvailable(),
        &QLineEdit::undo);
    add(QLineEdit::tr("&Redo"), QKeySequence::Redo, editable && isRedoAvailable(),
        &QLineEdit::redo);
    menu->addSeparator();
    add(QLineEdit::tr("Cu&t"), QKeySequence::Cut, editable && selected, &QLineEdit::cut);
    add(QLineEdit::tr("&Copy"), QKeySequence::Copy, selected, &QLineEdit::copy);
    add(QLineEdit::tr("&Paste"), QKeySequence::Paste,
        editable && !QGuiApplication::clipboard()->text().isEmpty(), &QLineEdit::paste);
    add(QLineEdit::tr("Delete"), QKeySequence::UnknownKey, editable && selected, &QLineEdit::del);
    menu->addSeparator();
    add(QLineEdit::tr("Select All"), QKeySequence::SelectAll,
        !text().isEmpty() && selectedText() != text(), &QLineEdit::selectAll);
    menu->popup(event->globalPos());
}

void TSpinEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (!clipboardEditAllowed()) {
        event->ignore();
        return;
    }
    QLineEdit::dragEnterEvent(event);
}

void TSpinEdit::dragMoveEvent(QDragMoveEvent *event)
{
    if (!clipboardEditAllowed()) {
        event->ignore();
        return;
    }
    QLineEdit::dragMoveEvent(event);
}

void TSpinEdit::dropEvent(QDropEvent *event)
{
    if (!clipboardEditAllowed()) {
        event->ignore();
        return;
    }
    QLineEdit::dropEvent(event);
}

void TSpinEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    updateLayout();
}

void TSpinEdit::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateMinimumHeight();
    } else if (event->type() == QEvent::StyleChange) {
        updateLayout();
    }
}

void TSpinEdit::hideEvent(QHideEvent *event)
{
    // A window that closes and opens again enters its field anew.
    if (!event->spontaneous()) {
        m_entered = false;
        m_entryPending = false;
    }
    QLineEdit::hideEvent(event);
}

void TSpinEdit::updateMinimumHeight()
{
    const int pixelSize
        = font().pixelSize() > 0 ? font().pixelSize() : QFontInfo(font()).pixelSize();
    setMinimumHeight(controls::minimumFieldHeight(controls::lineHeightForPixelSize(pixelSize)));
}

void TSpinEdit::updateLayout()
{
    const bool sunken = hasFrame();
    m_button->setGeometry(controls::arrowPairRect(size(), sunken));

    // Qt places the text inside the style's contents rectangle; the margins move its edges to
    // the text area.
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QRect text = controls::textRect(size(), sunken);
    setTextMargins(std::max(text.left() - contents.left(), 0),
                   std::max(text.top() - contents.top(), 0),
                   std::max(contents.right() - text.right(), 0),
                   std::max(contents.bottom() - text.bottom(), 0));
}
