#pragma once
// Spreadsheet workbooks (.xlsx, .ods): their sheets, and a sheet's rows as
// text, read as they are unpacked. A cell shown as a date becomes its ISO
// date ("2024-03-01"), other numbers their digits, so dates read alike from
// every kind of list.
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace imports {

class ZipPackage;

struct Sheet {
    QString name;
    bool hidden = false;
};

// A sheet's rows, one by one from the first.
class SheetRows {
public:
    virtual ~SheetRows() = default;
    // The next row the file holds: its cells (empty ones at its end left
    // out) and its number on the sheet, from 1 (rows the file leaves out
    // are empty ones, and keep their numbers). False at the end. Throws
    // ImportError when the sheet is damaged or too large.
    virtual bool next(QStringList& cells, qint64& number) = 0;
    // How far the sheet is read, from 0 to 1.
    virtual double progress() const = 0;
};

class Workbook {
public:
    virtual ~Workbook() = default;
    virtual QList<Sheet> sheets() const = 0;
    // Throws ImportError.
    virtual std::unique_ptr<SheetRows> rows(int sheet) = 0;

    // Limits beyond which a sheet is refused.
    static constexpr qint64 kMostRows = 2'000'000;
    static constexpr int kMostColumns = 1024;
};

// Throws ImportError when the workbook cannot be read.
std::unique_ptr<Workbook> openXlsx(std::unique_ptr<ZipPackage> package);
std::unique_ptr<Workbook> openOds(std::unique_ptr<ZipPackage> package);

// Where a cell goes: its column index from a reference such as "AB12"
// (0 for A), -1 when it names none.
int columnOfReference(QStringView reference);

// A number as a person writes it: a whole one without its ".0", one stored
// past a double's precision (0.10000000000000001) in its fifteen digits.
QString numberText(const QString& value);

// A cell's value put into row at column (empty cells before it made);
// throws ImportError past the most columns.
void putCell(QStringList& row, qint64 column, const QString& value);

} // namespace imports
