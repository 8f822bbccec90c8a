#include "labels/Sheet.h"

#include "platform/Files.h"
#include "platform/Profile.h"

#include <cmath>

namespace labels {

namespace {

// A4 sheet of rows × columns labels, centred on the page.
Sheet centred(int rows, int columns, double width, double height, double gapX) {
    Sheet sheet;
    sheet.rows = rows;
    sheet.columns = columns;
    sheet.labelWidth = width;
    sheet.labelHeight = height;
    sheet.gapX = gapX;
    sheet.left = (kPageWidthMm - columns * width - (columns - 1) * gapX) / 2;
    sheet.top = (kPageHeightMm - rows * height) / 2;
    sheet.name = QStringLiteral("A4: %1 × %2, %3 × %4 мм")
                     .arg(columns)
                     .arg(rows)
                     .arg(QString::number(width).replace(u'.', u','), QString::number(height).replace(u'.', u','));
    return sheet;
}

const QString kSection = QStringLiteral("Labels");

// The sizes in the order the settings keep them.
QList<double*> sizesOf(Sheet& sheet) {
    return {&sheet.labelWidth, &sheet.labelHeight, &sheet.left, &sheet.top, &sheet.gapX, &sheet.gapY};
}
const QStringList kSizeKeys{"Width", "Height", "Left", "Top", "GapX", "GapY"};

bool sameSizes(Sheet a, Sheet b) {
    if (a.rows != b.rows || a.columns != b.columns)
        return false;
    const QList<double*> ours = sizesOf(a), theirs = sizesOf(b);
    for (int i = 0; i < ours.size(); ++i)
        if (std::abs(*ours[i] - *theirs[i]) > 0.005)
            return false;
    return true;
}

} // namespace

QRectF Sheet::cell(int index) const {
    const int row = index / columns, column = index % columns;
    return QRectF(left + column * (labelWidth + gapX), top + row * (labelHeight + gapY), labelWidth, labelHeight);
}

QString Sheet::misfit() const {
    if (rows < 1 || columns < 1 || labelWidth <= 0 || labelHeight <= 0)
        return QStringLiteral("Укажите число рядов и столбцов и размер этикетки.");
    const QRectF last = cell(perPage() - 1);
    // A hundredth of a millimetre is rounding, not a misfit.
    if (left < 0 || top < 0 || last.right() > kPageWidthMm + 0.01 || last.bottom() > kPageHeightMm + 0.01)
        return QStringLiteral("Этикетки не помещаются на лист A4 (210 × 297 мм): уменьшите размер, поля или "
                              "промежутки.");
    return {};
}

QList<Sheet> presets() {
    return {centred(8, 3, 70, 37, 0), centred(7, 2, 99.1, 38.1, 2.5), centred(10, 4, 48.5, 25.4, 0)};
}

} // namespace labels

namespace labels {

int presetOf(const Sheet& sheet) {
    const QList<Sheet> known = presets();
    for (int i = 0; i < known.size(); ++i)
        if (sameSizes(sheet, known[i]))
            return i;
    return -1;
}

Sheet readSheet() {
    const auto read = [](const QString& key) {
        return platform::readProfileString(platform::settingsFile(), kSection, key, QString());
    };
    Sheet sheet = presets().first();
    Sheet kept = sheet;
    bool ok = true;
    kept.rows = read(QStringLiteral("Rows")).toInt(&ok);
    for (int i = 0; ok && i < kSizeKeys.size(); ++i)
        *sizesOf(kept)[i] = read(kSizeKeys[i]).toDouble(&ok);
    if (ok)
        kept.columns = read(QStringLiteral("Columns")).toInt(&ok);
    // Settings edited by hand into nonsense are not taken.
    if (!ok || !kept.misfit().isEmpty())
        return sheet;
    const int preset = presetOf(kept);
    kept.name = preset >= 0 ? presets()[preset].name : QString();
    return kept;
}

bool writeSheet(const Sheet& sheet) {
    const auto write = [](const QString& key, const QString& value) {
        return platform::writeProfileString(platform::settingsFile(), kSection, key, value);
    };
    Sheet kept = sheet;
    bool ok = write(QStringLiteral("Rows"), QString::number(sheet.rows))
              && write(QStringLiteral("Columns"), QString::number(sheet.columns));
    for (int i = 0; ok && i < kSizeKeys.size(); ++i)
        ok = write(kSizeKeys[i], QString::number(*sizesOf(kept)[i]));
    return ok;
}

} // namespace labels
