#pragma once
// A zip file (a workbook, a collection) read only after its directory has
// been weighed: too many entries, entries too large once unpacked, or
// packed far tighter than any document packs (a zip bomb) are refused
// before a byte is unpacked, and no entry is ever unpacked past the size
// its directory gives.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class QIODevice;
class QuaZip;

namespace imports {

class ZipPackage {
public:
    explicit ZipPackage(const QString& path);
    // A zip held elsewhere (in memory): device must outlive the package.
    explicit ZipPackage(QIODevice* device);
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    // Empty when the zip can be read; else why not, as the user reads it.
    QString problem() const { return m_problem; }
    bool contains(const QString& name) const;
    // The entry unpacked whole; throws imports::ImportError when it is
    // missing or damaged.
    QByteArray read(const QString& name);

    // What the check allows, in bytes.
    static constexpr qint64 kLargestEntry = 512LL << 20;
    static constexpr qint64 kLargestTotal = 1024LL << 20;
    static constexpr int kMostEntries = 20000;
    static constexpr qint64 kTightestRatio = 200;

private:
    void weigh();

    std::unique_ptr<QuaZip> m_zip;
    QStringList m_names;
    QString m_problem;
};

} // namespace imports
