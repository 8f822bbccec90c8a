#include "tests/fuzz/Targets.h"

#include "imports/Collections.h"
#include "imports/ImportError.h"
#include "imports/Workbooks.h"
#include "imports/ZipPackage.h"

namespace {

// A zip as a workbook or a collection, as its entries say.
void readZip(const QByteArray& bytes) {
    auto zip = std::make_unique<imports::ZipPackage>(bytes);
    if (!zip->problem().isEmpty())
        return;
    if (zip->contains(QStringLiteral("tellico.xml"))) {
        imports::readTellico(zip->read(QStringLiteral("tellico.xml")));
        return;
    }
    std::unique_ptr<imports::Workbook> book;
    if (zip->contains(QStringLiteral("xl/workbook.xml")))
        book = imports::openXlsx(std::move(zip));
    else if (zip->contains(QStringLiteral("content.xml")))
        book = imports::openOds(std::move(zip));
    QStringList cells;
    qint64 number = 0;
    for (int sheet = 0; book && sheet < book->sheets().size(); ++sheet)
        for (auto rows = book->rows(sheet); rows->next(cells, number);) {
        }
}

} // namespace

// The first byte chooses the reader: a zip, Tellico's XML or GCstar's.
int fuzz::zipXml(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    try {
        switch (data[0] % 3) {
        case 0: readZip(bytes); break;
        case 1: imports::readTellico(bytes); break;
        default: imports::readGcstar(bytes); break;
        }
    } catch (const imports::ImportError&) {
        // refused with a message: as it should be
    }
    return 0;
}
