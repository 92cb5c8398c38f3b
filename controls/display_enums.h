#pragma once

#include <QObject>

// The display controls' enumerations, known to Qt's meta-object system: properties of these
// types can be set and read by name ("ltTriangleTop"), as those of Qt's own widgets.
namespace controls {
Q_NAMESPACE

/// One bar of a seven-segment digit. The ordinal is the bar's bit number in TdsDisplaySegments.
enum TdsDisplaySegment : quint8 {
    tsTop,
    tsUpperLeft,
    tsUpperRight,
    tsMiddle,
    tsLowerLeft,
    tsLowerRight,
    tsBottom,
};
Q_ENUM_NS(TdsDisplaySegment)

/// Outline of an LED's body. The triangles are named after the apex (top, bottom) or after the
/// base (left, right).
enum TdsLedShape : quint8 {
    ltEllipse,
    ltRectangle,
    ltTriangleTop,
    ltTriangleBottom,
    ltTriangleLeft,
    ltTriangleRight,
};
Q_ENUM_NS(TdsLedShape)

/// Drawn by the control or by its OnDrawLed handler.
enum TdsLedStyle : quint8 {
    lsStandard,
    lsOwnerDraw,
};
Q_ENUM_NS(TdsLedStyle)

/// Bevel around the body, in the palette's button shadow and highlight colours.
enum TdsLedBevel : quint8 {
    blNone,
    blLowered,
    blRaised,
};
Q_ENUM_NS(TdsLedBevel)

} // namespace controls

// The program names them and their values without the namespace.
using controls::TdsDisplaySegment;
using controls::TdsLedBevel;
using controls::TdsLedShape;
using controls::TdsLedStyle;
using enum controls::TdsDisplaySegment;
using enum controls::TdsLedBevel;
using enum controls::TdsLedShape;
using enum controls::TdsLedStyle;
