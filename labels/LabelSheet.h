#pragma once
// Labels painted on sheets: a barcode with its digits, a title of up to two
// lines and a caption (the table's name) on each.
#include "labels/Sheet.h"

#include <QList>
#include <QString>
#include <QStringList>

class QFontMetricsF;
class QPagedPaintDevice;

namespace labels {

struct Label {
    QString code;
    QString title;
    QString caption;
};

// The lines title takes in width: at most two, the second ending in «…»
// when the rest would not fit; a word longer than a line is broken.
QStringList titleLines(const QString& title, const QFontMetricsF& metrics, double width);

// labels on pages of sheet (the device made A4, margins none), the first
// into label first (from 0) of the first page. How many pages.
int paintLabels(QPagedPaintDevice& device, const Sheet& sheet, int first, const QList<Label>& labels);

// Labels left without a barcode (a code Code 128 cannot hold).
int withoutBarcode(const QList<Label>& labels);

} // namespace labels
