#pragma once
// A PDF of A4 pages at 300 dpi, written whole or not at all.
#include <QMarginsF>
#include <QString>

#include <functional>
#include <optional>

class QPagedPaintDevice;

namespace reports {

// paint lays the pages out; margins in millimetres, the writer's own when
// none. Throws what platform::saveWhole throws.
void savePdf(const QString& path, const QString& title, const std::function<void(QPagedPaintDevice&)>& paint,
             std::optional<QMarginsF> marginsMm = std::nullopt);

} // namespace reports
