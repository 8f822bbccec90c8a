#include "reports/PdfFile.h"

#include "platform/Files.h"
#include "platform/Version.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

namespace reports {

void savePdf(const QString& path, const QString& title, const std::function<void(QPagedPaintDevice&)>& paint,
             std::optional<QMarginsF> marginsMm) {
    platform::saveWhole(path, [&](QIODevice& file) {
        QPdfWriter pdf(&file);
        pdf.setTitle(title);
        pdf.setCreator(platform::programTitle());
        pdf.setPageSize(QPageSize(QPageSize::A4));
        if (marginsMm)
            pdf.setPageMargins(*marginsMm, QPageLayout::Millimeter);
        pdf.setResolution(300);
        paint(pdf);
    });
}

} // namespace reports
