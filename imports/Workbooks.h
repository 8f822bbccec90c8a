#pragma once
// Spreadsheet workbooks (.xlsx, .ods): their sheets' names, and a sheet's
// cells as text. A cell shown as a date becomes its ISO date ("2024-03-01"),
// other numbers their digits, so dates read alike from every kind of list.
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace imports {

class ZipPackage;

class Workbook {
public:
    virtual ~Workbook() = default;
    virtual QStringList sheetNames() const = 0;
    // The sheet's rows, empty ones at the end left out; a row's empty cells
    // at its end too. Throws ImportError when the sheet is damaged.
    virtual QList<QStringList> rows(int sheet) = 0;

    // Limits beyond which a sheet is refused rather than read into memory.
    static constexpr qint64 kMostRows = 2'000'000;
    static constexpr int kMostColumns = 1024;
};

// Throws ImportError when the workbook cannot be read.
std::unique_ptr<Workbook> openXlsx(std::unique_ptr<ZipPackage> package);
std::unique_ptr<Workbook> openOds(std::unique_ptr<ZipPackage> package);

// Where a cell goes: its column index from a reference such as "AB12"
// (0 for A), -1 when it names none.
int columnOfReference(QStringView reference);

} // namespace imports
