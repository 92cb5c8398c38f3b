#pragma once

#include "controls/display_enums.h"
#include "controls/led_geometry.h"
#include "controls/tcolor.h"

#include <QRect>
#include <QWidget>

#include <functional>
#include <vector>

class QPainter;

/// An indicator lamp (default 24 x 24): a round, rectangular or triangular body in OnColor when
/// LedOn, else in OffColor, optionally bevelled in the palette's button shadow and highlight,
/// or drawn entirely by OnDrawLed when Style is lsOwnerDraw. It is not opaque: where it paints
/// nothing (outside an ellipse or a triangle, everywhere in owner drawing without a handler)
/// the parent shows through. A round body carries a white highlight at its upper left,
/// whether lit or dark.
///
/// Setters store a different value and repaint at once; an equal value changes nothing. Only a
/// change of LedOn fires OnChange, after the repaint. Style is stored without a repaint and
/// shows at the next painting.
class TdsLed : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(controls::TdsLedBevel Bevel READ Bevel WRITE setBevel)
    Q_PROPERTY(controls::TdsLedShape Shape READ Shape WRITE setShape)
    Q_PROPERTY(qint32 OnColor READ OnColor WRITE setOnColor)
    Q_PROPERTY(qint32 OffColor READ OffColor WRITE setOffColor)
    Q_PROPERTY(bool LedOn READ LedOn WRITE setLedOn)
    Q_PROPERTY(controls::TdsLedStyle Style READ Style WRITE setStyle)

public:
    explicit TdsLed(QWidget *parent = nullptr);

    TdsLedBevel Bevel() const { return m_bevel; }
    void setBevel(TdsLedBevel bevel);
    /// A value outside the enumeration draws nothing.
    TdsLedShape Shape() const { return m_shape; }
    void setShape(TdsLedShape shape);
    TColor OnColor() const { return m_onColor; }
    void setOnColor(TColor color);
    TColor OffColor() const { return m_offColor; }
    void setOffColor(TColor color);
    bool LedOn() const { return m_ledOn; }
    void setLedOn(bool on);
    TdsLedStyle Style() const { return m_style; }
    void setStyle(TdsLedStyle style);

    /// Called with this LED as Sender after LedOn has changed and been repainted.
    std::function<void(QObject *Sender)> OnChange;
    /// Owner drawing: called during painting with this LED, its client rectangle (0, 0, W, H)
    /// and the painter, whose brush already holds the colour of the current state. Whatever
    /// the handler throws is reported in the standard error box once the painting is over.
    std::function<void(QObject *Sender, QRect Rect, QPainter &Canvas)> OnDrawLed;

    /// The size a new LED has.
    QSize sizeHint() const override { return QSize(24, 24); }

protected:
    /// Fires OnChange.
    virtual void Change();
    /// Calls OnDrawLed with the painter of the painting in progress; does nothing outside a
    /// painting.
    virtual void DoDrawLed();
    void paintEvent(QPaintEvent *event) override;

private:
    void DrawEllipse(QPainter &painter, const QColor &body);
    void DrawRectangle(QPainter &painter, const QColor &body);
    void DrawTriangle(QPainter &painter, const QColor &body);
    void DrawEllipseBevel(QPainter &painter, const std::vector<controls::LedArc> &arcs);
    void DrawFrameBevel(QPainter &painter, const std::vector<controls::LedPolyline> &lines);
    void DrawTriangleBevel(QPainter &painter, const std::vector<controls::LedEdge> &edges);
    void setPen(QPainter &painter, const QColor &color);

    TdsLedBevel m_bevel = blNone;
    TdsLedShape m_shape = ltEllipse;
    TColor m_onColor = clLime;
    TColor m_offColor = clRed;
    bool m_ledOn = false;
    TdsLedStyle m_style = lsStandard;
    // The body painters set the pen's colour but not its width: the width set by the last
    // bevel carries over from one painting to the next (1 at first and after an ellipse or
    // frame bevel, 2 after a triangle bevel).
    int m_penWidth = 1;
    QColor m_penColor = Qt::black;
    QPainter *m_canvas = nullptr;
    bool m_errorPending = false;
};
