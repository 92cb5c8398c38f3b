#pragma once

#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>

class QTimer;

/// One arrow button with auto-repeat: shows pressed while the left button is held over it and
/// clicks when released over it. While repeat is allowed, a press starts a timer (400 ms, then
/// 100 ms) that clicks as long as the left button is held with the pointer over the arrow.
class TTimerSpeedButton : public QWidget
{
    Q_OBJECT

public:
    explicit TTimerSpeedButton(QWidget *parent = nullptr);

    bool repeatAllowed() const { return m_repeatAllowed; }
    void setRepeatAllowed(bool allowed);
    /// Draws a dotted focus rectangle inset 3 pixels (moved 1 pixel while pressed).
    bool focusMark() const { return m_focusMark; }
    void setFocusMark(bool mark);
    /// The picture; a null pixmap restores the built-in one. The bottom-left pixel's colour is
    /// transparent. numGlyphs pictures side by side: normal, disabled, pressed.
    QPixmap glyph() const;
    void setGlyph(const QPixmap &glyph);
    int numGlyphs() const { return m_numGlyphs; }
    void setNumGlyphs(int count);
    /// Up or down arrow picture when no glyph has been assigned.
    void setBuiltInArrow(bool up);

    /// Whether the arrow is shown pressed.
    bool isShownDown() const { return m_held && m_over; }
    /// The repeat timer: nullptr until the first press.
    QTimer *repeatTimer() const { return m_timer; }

    /// Raises OnClick; whatever the handler throws reaches the caller.
    void click();

    std::function<void(QObject *Sender)> OnClick;
    /// Raised by a left press before the arrow shows pressed (the arrow pair moves the
    /// keyboard focus there).
    std::function<void(TTimerSpeedButton *Sender)> OnPress;

    QSize sizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void repeatTick();
    void cancelPress();
    QPixmap currentGlyph() const;

    QTimer *m_timer = nullptr; // owned
    QPixmap m_glyph;
    QPixmap m_builtIn;
    int m_numGlyphs = 1;
    bool m_repeatAllowed = true;
    bool m_focusMark = false;
    bool m_held = false;       // left button pressed on the arrow and not yet released
    bool m_over = false;       // ... with the pointer over it
    bool m_systemHeld = false; // ... and Qt's own button state tells so
    quint32 m_activations = 0; // window activations and deactivations seen
};

/// The pair of arrow buttons of a spin field. On its own with the keyboard focus, Space clicks
/// the focused arrow and Up/Down make that arrow the focused one and click it. Inside a field
/// it never takes the focus; pressing an arrow gives the focus to FocusControl instead.
class TSpinButton : public QWidget
{
    Q_OBJECT

public:
    explicit TSpinButton(QWidget *parent = nullptr);

    /// Takes the keyboard focus when an arrow is pressed; cleared when it is destroyed.
    QWidget *FocusControl() const { return m_focusControl; }
    void setFocusControl(QWidget *control);

    QPixmap UpGlyph() const;
    /// A null pixmap restores the built-in arrow and sets UpNumGlyphs to 1.
    void setUpGlyph(const QPixmap &glyph);
    QPixmap DownGlyph() const;
    void setDownGlyph(const QPixmap &glyph);
    int UpNumGlyphs() const;
    void setUpNumGlyphs(int count);
    int DownNumGlyphs() const;
    void setDownNumGlyphs(int count);

    /// Reachable by Tab (false by default).
    bool TabStop() const;
    void setTabStop(bool tabStop);

    TTimerSpeedButton *upButton() const { return m_up; }
    TTimerSpeedButton *downButton() const { return m_down; }
    /// The arrow that Space clicks; the up arrow at first.
    TTimerSpeedButton *focusedButton() const { return m_focused; }

    std::function<void(QObject *Sender)> OnUpClick;
    std::function<void(QObject *Sender)> OnDownClick;

    QSize sizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void arrowPressed(TTimerSpeedButton *arrow);
    void setFocusedButton(TTimerSpeedButton *arrow);
    void updateFocusMarks();

    TTimerSpeedButton *m_up;
    TTimerSpeedButton *m_down;
    TTimerSpeedButton *m_focused;
    QPointer<QWidget> m_focusControl;
};

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
