#include "labels/LabelSheet.h"

#include "labels/Barcode.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>

namespace labels {

namespace {

// The longest start of word that fits in width (one character at least).
int fittingPrefix(const QString& word, const QFontMetricsF& metrics, double width) {
    int length = 1;
    while (length < word.size() && metrics.horizontalAdvance(word.left(length + 1)) <= width)
        ++length;
    return length;
}

// Where a label's parts go, in device units.
struct Parts {
    double padding;
    double titlePoints;
};

Parts partsOf(double labelHeightMm, double dotsPerMm) {
    return {std::min(2.0, labelHeightMm * 0.06) * dotsPerMm, std::clamp(labelHeightMm * 0.26, 6.0, 10.0)};
}

// Lines of text from the top of area down; where they end.
double writeLines(QPainter& painter, const QRectF& area, const QStringList& lines) {
    const QFontMetricsF metrics(painter.font(), painter.device());
    double y = area.top();
    for (const QString& line : lines) {
        painter.drawText(QRectF(area.left(), y, area.width(), metrics.height()), Qt::AlignHCenter | Qt::AlignTop, line);
        y += metrics.height();
    }
    return y;
}

void paintLabel(QPainter& painter, const QRectF& cell, const Label& label, double labelHeightMm, double dotsPerMm) {
    const Parts parts = partsOf(labelHeightMm, dotsPerMm);
    const QRectF inner = cell.adjusted(parts.padding, parts.padding, -parts.padding, -parts.padding);
    QFont font = painter.font();
    font.setPointSizeF(parts.titlePoints);
    painter.setFont(font);
    double y =
        writeLines(painter, inner, titleLines(label.title, QFontMetricsF(font, painter.device()), inner.width()));
    if (!label.caption.isEmpty()) {
        font.setPointSizeF(parts.titlePoints * 0.8);
        painter.setFont(font);
        const QFontMetricsF metrics(font, painter.device());
        y = writeLines(painter, QRectF(inner.left(), y, inner.width(), inner.bottom() - y),
                       {metrics.elidedText(label.caption, Qt::ElideRight, inner.width())});
    }
    font.setPointSizeF(parts.titlePoints * 0.9);
    painter.setFont(font);
    const double gap = 0.5 * dotsPerMm;
    draw(painter, encode(label.code), QRectF(inner.left(), y + gap, inner.width(), inner.bottom() - y - gap),
         dotsPerMm);
}

} // namespace

QStringList titleLines(const QString& title, const QFontMetricsF& metrics, double width) {
    const QString text = title.simplified();
    if (text.isEmpty())
        return {};
    const QStringList words = text.split(u' ');
    QString first;
    int used = 0; // words in the first line
    while (used < words.size()) {
        const QString longer = first.isEmpty() ? words[used] : first + u' ' + words[used];
        if (metrics.horizontalAdvance(longer) > width)
            break;
        first = longer;
        ++used;
    }
    QString rest = words.mid(used).join(u' ');
    if (first.isEmpty()) { // a word wider than the line is broken
        const int length = fittingPrefix(rest, metrics, width);
        first = rest.left(length);
        rest = rest.mid(length);
    }
    if (rest.isEmpty())
        return {first};
    return {first, metrics.elidedText(rest, Qt::ElideRight, width)};
}

int paintLabels(QPagedPaintDevice& device, const Sheet& sheet, int first, const QList<Label>& labels) {
    QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
    layout.setMode(QPageLayout::FullPageMode);
    device.setPageLayout(layout);
    QPainter painter(&device);
    const double dotsPerMm = device.logicalDpiX() / 25.4;
    const int perPage = std::max(1, sheet.perPage());
    first = std::clamp(first, 0, perPage - 1);
    int page = 0;
    for (int i = 0; i < labels.size(); ++i) {
        const int position = first + i;
        if (position / perPage > page) {
            device.newPage();
            page = position / perPage;
        }
        const QRectF mm = sheet.cell(position % perPage);
        paintLabel(painter, QRectF(mm.topLeft() * dotsPerMm, mm.size() * dotsPerMm), labels[i], sheet.labelHeight,
                   dotsPerMm);
    }
    return page + 1;
}

int withoutBarcode(const QList<Label>& labels) {
    return int(std::count_if(labels.begin(), labels.end(), [](const Label& l) { return !encode(l.code).drawn(); }));
}

} // namespace labels
