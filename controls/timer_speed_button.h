#pragma once

#include <QPixmap>
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
