#pragma once

#include "controls/display_enums.h"
#include "controls/segment_geometry.h"
#include "controls/tcolor.h"

#include <QRect>
#include <QWidget>

#include <functional>

class QPainter;

/// One seven-segment digit, scaled to whatever size it is given (default 40 x 76). It is not
/// opaque: the parent's surface is painted first and the digit paints over it.
///
/// Every bar is drawn: the bars in Segments in OnColor, the others in OffColor, on a BackColor
/// background. Each setter stores a different value and repaints at once (synchronously, before
/// it returns); an equal value changes nothing. Only a change of Segments fires OnChange, after
/// the repaint. Assigning Value looks the number up in the digit table (the letter E for any
/// number outside 0 to 9) and assigns the pattern to Segments; assigning Segments directly
/// leaves Value alone. A new control reads Value 0 but shows all bars dark.
class TdsSevenSegmentDisplay : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(quint8 Segments READ Segments WRITE setSegments)
    Q_PROPERTY(int SegmentWidth READ SegmentWidth WRITE setSegmentWidth)
    Q_PROPERTY(qint32 BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(qint32 OnColor READ OnColor WRITE setOnColor)
    Q_PROPERTY(qint32 OffColor READ OffColor WRITE setOffColor)
    Q_PROPERTY(int Value READ Value WRITE setValue)

public:
    explicit TdsSevenSegmentDisplay(QWidget *parent = nullptr);

    /// The lit bars (bit 7 is ignored: a set of seven bars has no eighth).
    TdsDisplaySegments Segments() const { return m_segments; }
    void setSegments(TdsDisplaySegments segments);
    /// Thickness of a bar in grid units of the 20 x 38 grid, not in pixels; any integer.
    int SegmentWidth() const { return m_segmentWidth; }
    void setSegmentWidth(int width);
    TColor BackColor() const { return m_backColor; }
    void setBackColor(TColor color);
    TColor OnColor() const { return m_onColor; }
    void setOnColor(TColor color);
    TColor OffColor() const { return m_offColor; }
    void setOffColor(TColor color);
    /// The number last assigned.
    int Value() const { return m_value; }
    void setValue(int value);

    /// Called with this control as Sender after Segments has changed and been repainted.
    std::function<void(QObject *Sender)> OnChange;

    /// The size a new digit has.
    QSize sizeHint() const override { return QSize(40, 76); }

protected:
    /// Fires OnChange.
    virtual void Change();
    void paintEvent(QPaintEvent *event) override;

private:
    void DrawSegment(QPainter &painter, TdsDisplaySegment segment);

    TdsDisplaySegments m_segments = 0;
    int m_segmentWidth = 4;
    TColor m_backColor = clGray;
    TColor m_onColor = clBlack;
    TColor m_offColor = clSilver;
    int m_value = 0;
};
