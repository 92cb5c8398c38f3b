#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <functional>

class TTimerSpeedButton;

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
