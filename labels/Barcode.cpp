#include "labels/Barcode.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRegularExpression>

#include <zint.h>

#include <memory>

namespace labels {

namespace {

struct SymbolDeleter {
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};

// The bars of a vector as modules: the symbol's own width (its first bar's
// left edge to its last's right edge) is symbol->width modules.
void takeBars(const zint_symbol& symbol, Barcode& barcode) {
    const zint_vector& vector = *symbol.vector;
    double left = vector.width, right = 0, bottom = 0;
    for (const zint_vector_rect* r = vector.rectangles; r; r = r->next) {
        left = std::min<double>(left, r->x);
        right = std::max<double>(right, r->x + r->width);
        bottom = std::max<double>(bottom, r->y + r->height);
    }
    if (right <= left) // no bars
        return;
    const double unit = (right - left) / symbol.width;
    for (const zint_vector_rect* r = vector.rectangles; r; r = r->next)
        barcode.bars << QRectF(r->x / unit, r->y / bottom, r->width / unit, r->height / bottom);
    barcode.modules = vector.width / unit;
}

} // namespace

Barcode encode(const QString& code) {
    static const QRegularExpression thirteenDigits(QStringLiteral("^[0-9]{13}$"));
    Barcode barcode;
    barcode.digits = code;
    std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
    if (!symbol) {
        barcode.error = QStringLiteral("нет памяти");
        return barcode;
    }
    const bool ean = thirteenDigits.match(code).hasMatch();
    symbol->symbology = ean ? BARCODE_EANX : BARCODE_CODE128;
    symbol->input_mode = UNICODE_MODE;
    symbol->show_hrt = 0;
    symbol->output_options |= BARCODE_QUIET_ZONES;
    const QByteArray data = code.toUtf8();
    const int status = ZBarcode_Encode_and_Buffer_Vector(
        symbol.get(), reinterpret_cast<const unsigned char*>(data.constData()), int(data.size()), 0);
    if (status >= ZINT_ERROR) {
        barcode.error = QString::fromUtf8(symbol->errtxt);
        return barcode;
    }
    takeBars(*symbol, barcode);
    if (barcode.bars.isEmpty())
        barcode.error = QStringLiteral("пустой штрихкод");
    return barcode;
}

void draw(QPainter& painter, const Barcode& barcode, const QRectF& area, double dotsPerMm) {
    QFont font = painter.font();
    QFontMetricsF metrics(font, painter.device());
    // The digits are never cut: a long code gets a smaller font.
    const double digitsWidth = metrics.horizontalAdvance(barcode.digits);
    if (digitsWidth > area.width()) {
        font.setPointSizeF(font.pointSizeF() * area.width() / digitsWidth);
        painter.setFont(font);
        metrics = QFontMetricsF(font, painter.device());
    }
    const double textHeight = metrics.height();
    if (!barcode.drawn()) {
        painter.drawText(area, Qt::AlignCenter, barcode.digits);
        return;
    }
    const double module = std::min(kModuleMm * dotsPerMm, area.width() / barcode.modules);
    const double barsHeight = std::max(0.0, area.height() - textHeight);
    const double left = area.left() + (area.width() - module * barcode.modules) / 2;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const QRectF& bar : barcode.bars)
        painter.drawRect(QRectF(left + bar.x() * module, area.top() + bar.y() * barsHeight, bar.width() * module,
                                bar.height() * barsHeight));
    painter.restore();
    painter.drawText(QRectF(area.left(), area.top() + barsHeight, area.width(), textHeight), Qt::AlignCenter,
                     barcode.digits);
}

} // namespace labels
