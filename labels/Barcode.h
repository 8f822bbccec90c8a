#pragma once
// A code as a barcode of vector bars: EAN-13 for thirteen digits (an
// ISBN-13 or an EAN), Code 128 for any other code.
#include <QList>
#include <QRectF>
#include <QString>

class QPainter;

namespace labels {

struct Barcode {
    // In modules from the left edge of the left quiet zone; heights as
    // parts of the tallest bar's (1).
    QList<QRectF> bars;
    double modules = 0; // the whole width, quiet zones included
    QString digits;     // printed under the bars
    QString error;      // why the code has no barcode; empty when it has
    bool drawn() const { return error.isEmpty(); }
};

Barcode encode(const QString& code);

// The widest a module is drawn, in millimetres: wider only wastes the label.
inline constexpr double kModuleMm = 0.33;

// barcode in area (device units, dotsPerMm of them to a millimetre): the
// bars above, the digits under them, whole, in the painter's font (made
// smaller when they would not fit); a code without a barcode is written
// out alone.
void draw(QPainter& painter, const Barcode& barcode, const QRectF& area, double dotsPerMm);

} // namespace labels
