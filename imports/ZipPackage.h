#pragma once
// A zip file (a workbook, a collection) read only after its directory has
// been weighed: too many entries, entries too large once unpacked, or
// packed far tighter than any document packs (a zip bomb) are refused
// before a byte is unpacked, and no entry is ever unpacked past the size
// its directory gives. Entries are read whole or a piece at a time.
#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>

#include <memory>

struct zip;
struct zip_file;

namespace imports {

class ZipEntry;

class ZipPackage {
public:
    explicit ZipPackage(const QString& path);
    // A zip held in memory: bytes are kept (shared) while the package lives.
    explicit ZipPackage(const QByteArray& bytes);
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    // Empty when the zip can be read; else why not, as the user reads it.
    QString problem() const { return m_problem; }
    bool contains(const QString& name) const;
    // The unpacked size the directory gives; -1 for an entry not there.
    qint64 sizeOf(const QString& name) const;
    // The entry unpacked whole; throws imports::ImportError when it is
    // missing or damaged.
    QByteArray read(const QString& name);
    // The entry to read a piece at a time; throws as read() does.
    std::unique_ptr<ZipEntry> open(const QString& name);

    // What the check allows, in bytes.
    static constexpr qint64 kLargestEntry = 512LL << 20;
    static constexpr qint64 kLargestTotal = 1024LL << 20;
    static constexpr int kMostEntries = 20000;
    static constexpr qint64 kTightestRatio = 200;

private:
    void openArchive(const char* data, qint64 size);
    void weigh();
    qint64 indexOf(const QString& name) const;

    QFile m_file;
    QByteArray m_bytes;
    zip* m_zip = nullptr;
    QHash<QString, qint64> m_entries; // by name in lower case
    QHash<qint64, qint64> m_sizes;    // declared unpacked sizes by index
    QString m_problem;
};

// One entry being unpacked.
class ZipEntry {
public:
    ZipEntry(zip_file* file, const QString& name, qint64 declared);
    ~ZipEntry();
    ZipEntry(const ZipEntry&) = delete;
    ZipEntry& operator=(const ZipEntry&) = delete;

    // The next piece (at most bytes long) into piece; false at the end.
    // Throws ImportError when the entry is damaged or longer than declared.
    bool next(QByteArray& piece, qint64 bytes = 1 << 16);
    qint64 size() const { return m_declared; }
    qint64 done() const { return m_done; }

private:
    zip_file* m_file;
    QString m_name;
    qint64 m_declared;
    qint64 m_done = 0;
    bool m_ended = false;
};

} // namespace imports
