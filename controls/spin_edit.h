#pragma once

#include <QLineEdit>
#include <QString>

#include <functional>

class TSpinButton;

/// The numeric spin field: a one-line text box with an arrow pair inside its right edge.
///
/// The text is its only state; Value reads it (an invalid text reads as MinValue). The number
/// is limited to MinValue .. MaxValue (nothing is limited when they are equal) only when it
/// steps, when Value is written and when the focus moves to another control of the same
/// window, never while the operator types or a program assigns the text. Every change of the
/// text raises OnChange at once: inside setText (re-entrantly, before setText returns, letting
/// what the handler throws reach the caller of setText/setValue/StepUp) and after each edit by
/// the operator.
class TSpinEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit TSpinEdit(QWidget *parent = nullptr);

    /// Replaces the text and raises OnChange before returning; an equal text does nothing.
    void setText(const QString &text);

    /// The text as a number; MinValue when it is not a valid integer.
    qint32 Value() const;
    /// Writes ClampValue(value) in decimal.
    void setValue(qint32 value);
    /// Plain settings: assigning them never touches the text.
    qint32 MinValue() const { return m_minValue; }
    void setMinValue(qint32 value) { m_minValue = value; }
    qint32 MaxValue() const { return m_maxValue; }
    void setMaxValue(qint32 value) { m_maxValue = value; }
    qint32 Increment() const { return m_increment; }
    void setIncrement(qint32 value) { m_increment = value; }
    /// false: typed printable characters, Backspace, Delete, paste and cut are refused.
    bool EditorEnabled() const { return m_editorEnabled; }
    void setEditorEnabled(bool enabled) { m_editorEnabled = enabled; }
    /// Steps beep; paste and cut are ignored; the text box refuses editing.
    bool ReadOnly() const { return isReadOnly(); }
    void setReadOnly(bool readOnly);
    /// The whole text is selected when the field is entered (except by a press into the text).
    bool AutoSelect() const { return m_autoSelect; }
    void setAutoSelect(bool autoSelect) { m_autoSelect = autoSelect; }
    /// 0: no limit.
    int MaxLength() const { return m_maxLength; }
    void setMaxLength(int length);
    /// Reachable by Tab, and focused by a press on an arrow.
    bool TabStop() const;
    void setTabStop(bool tabStop);
    /// false: the flat look without the sunken border.
    void setFrame(bool frame);

    /// value unchanged when MinValue equals MaxValue; otherwise MinValue if below it, else
    /// MaxValue if above it, else value.
    qint32 ClampValue(qint32 value) const;
    /// Digits, "+", "-", the locale's decimal separator and control characters other than
    /// Enter; with EditorEnabled false nothing from space up and no Backspace.
    virtual bool CharAllowed(QChar key) const;
    /// Value + Increment (saturated at the 32-bit limits); a beep when ReadOnly.
    virtual void StepUp();
    virtual void StepDown();

    TSpinButton *button() const { return m_button; }

    std::function<void(QObject *Sender)> OnChange;
    std::function<void(QObject *Sender)> OnEnter;
    std::function<void(QObject *Sender)> OnExit;
    /// Every key press, after a step by Up/Down; setting Key to 0 discards the key.
    std::function<void(QObject *Sender, int &Key, Qt::KeyboardModifiers Shift)> OnKeyDown;
    /// Every typed character the filter allows; setting Key to 0 discards it.
    std::function<void(QObject *Sender, QChar &Key)> OnKeyPress;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void processKey(QKeyEvent *event);
    bool passControlChar(char16_t c);
    bool clipboardEditAllowed() const;
    void textChangedByQt(const QString &text);
    void finishEntry(bool selectAllText);
    bool focusMovedWithinWindow(Qt::FocusReason reason) const;
    void exitStep(Qt::FocusReason reason);
    void updateMinimumHeight();
    void updateLayout();

    TSpinButton *m_button;
    QString m_knownText;
    qint32 m_minValue = 0;
    qint32 m_maxValue = 0;
    qint32 m_increment = 1;
    int m_maxLength = 0;
    bool m_editorEnabled = true;
    bool m_autoSelect = true;
    bool m_assigning = false;        // inside setText: its own OnChange follows
    bool m_entered = false;          // entered, and not left for another control of the window
    bool m_entryPending = false;     // entered by a mouse press; the press decides the selection
    quint32 m_activationChanges = 0; // window activations and deactivations seen
};
