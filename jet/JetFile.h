#pragma once
// The pages of an Access (Jet 3 or Jet 4) file, read as they are stored:
// the first page, table definitions, the pages a table owns, the rows on
// them and long values. The file is only read. Whatever a page says (an
// offset, a length, a page number, a chain) is checked against the page
// and the file before it is followed, and chains are followed a bounded
// number of steps: damage is told as false, never read beyond.
#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QHash>
#include <QList>

#include <functional>

namespace jet {

// The column types a catalogue's tables use, and their codes in the file.
enum ColumnType : int {
    kBooleanColumn = 0x01,
    kByteColumn = 0x02,
    kIntegerColumn = 0x03,
    kLongColumn = 0x04,
    kDateTimeColumn = 0x08,
    kTextColumn = 0x0A,
    kMemoColumn = 0x0C,
};

struct ColumnDef {
    QByteArray name;     // as stored: 8-bit text in Jet 3, UCS-2 in Jet 4
    int type = 0;        // a ColumnType, or another code of the format
    int number = 0;      // its bit in a row's null mask
    int varIndex = 0;    // its entry in a row's table of variable columns
    int fixedOffset = 0; // where a fixed column lies after the column count
    int length = 0;      // bytes: the width of a text column
    bool fixed = false;
};

struct TableDef {
    quint32 page = 0;         // the definition's first page: data pages name it as their owner
    quint32 rows = 0;         // the row count the definition keeps
    qint32 lastCounter = 0;   // the counter's last value given
    int varColumns = 0;       // none: rows have no table of variable columns
    quint32 usageMap = 0;     // page and row of the map of the table's pages
    QList<ColumnDef> columns; // in the order the definition lists them
};

class File {
public:
    // False unless path is a Jet 3 or Jet 4 file whose pages are stored
    // unmasked (no database key).
    bool open(const QString& path);
    bool jet3() const { return m_jet3; }
    int codePage() const { return m_codePage; }

    // The table definition starting at page; false when it cannot be read.
    bool tableDef(quint32 page, TableDef& table);
    // Calls row with the bytes of each live row of table, page by page; a
    // moved row is read where its data went. Stops when row returns false.
    // False when the pages or their row tables are damaged.
    bool rows(const TableDef& table, const std::function<bool(QByteArrayView)>& row);
    // The bytes of a memo from its field in a row: kept in the row, in one
    // row of a long-value page, or in a chain of them.
    bool longValue(QByteArrayView field, QByteArray& bytes);

private:
    struct RowSpan {
        int start = 0, end = 0, flags = 0;
    };
    QByteArray page(quint32 number);
    bool rowSpan(const QByteArray& page, int index, RowSpan& span) const;
    bool rowAt(quint32 pointer, QByteArray& holder, QByteArrayView& row);
    bool liveRow(QByteArray holder, int index, quint32 owner, QByteArrayView& row, QByteArray& kept);
    bool isDataPage(const QByteArray& page, quint32 owner) const;
    bool dataPages(const TableDef& table, QList<quint32>& pages);
    bool mappedPages(QByteArrayView map, QList<quint32>& pages);
    void scanOwners();
    void addMapped(quint64 first, const unsigned char* bits, int bytes, QList<quint32>& pages) const;
    bool definitionBytes(quint32 first, QByteArray& bytes);

    QFile m_file;
    bool m_jet3 = false;
    int m_pageSize = 4096;
    int m_codePage = 1252;
    quint32 m_pageCount = 0;
    QHash<quint32, QByteArray> m_cache;
    QHash<quint32, QList<quint32>> m_owned; // data pages by owner, once a map could not be read
    bool m_scanned = false;
};

} // namespace jet
