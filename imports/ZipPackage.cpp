#include "imports/ZipPackage.h"

#include "imports/ImportError.h"

#include <quazip.h>
#include <quazipfile.h>

namespace imports {
namespace {

const QString kTooLarge = QStringLiteral("файл слишком велик для импорта или повреждён (распакованный объём %1 МБ)");

} // namespace

ZipPackage::ZipPackage(const QString& path) : m_zip(std::make_unique<QuaZip>(path)) { weigh(); }

ZipPackage::ZipPackage(QIODevice* device) : m_zip(std::make_unique<QuaZip>(device)) { weigh(); }

void ZipPackage::weigh() {
    if (!m_zip->open(QuaZip::mdUnzip)) {
        m_problem = QStringLiteral("файл не читается как архив zip");
        return;
    }
    if (m_zip->getEntriesCount() > kMostEntries) {
        m_problem = QStringLiteral("в архиве слишком много файлов (%1)").arg(m_zip->getEntriesCount());
        return;
    }
    qint64 total = 0;
    for (const QuaZipFileInfo64& entry : m_zip->getFileInfoList64()) {
        const qint64 unpacked = qint64(entry.uncompressedSize), packed = qint64(entry.compressedSize);
        total += unpacked;
        if (unpacked > kLargestEntry || total > kLargestTotal) {
            m_problem = kTooLarge.arg(total >> 20);
            return;
        }
        // Documents pack some tens of times at most; far beyond that, and
        // large, it is made to fill memory.
        if (unpacked > (1 << 20) && unpacked > packed * kTightestRatio) {
            m_problem = QStringLiteral("архив сжат неправдоподобно плотно (файл '%1'): похоже на «zip-бомбу»")
                            .arg(entry.name);
            return;
        }
        m_names << entry.name;
    }
}

ZipPackage::~ZipPackage() = default;

bool ZipPackage::contains(const QString& name) const { return m_names.contains(name, Qt::CaseInsensitive); }

QByteArray ZipPackage::read(const QString& name) {
    if (!m_problem.isEmpty() || !m_zip->setCurrentFile(name, QuaZip::csInsensitive))
        throw ImportError(QStringLiteral("в архиве нет файла '%1'").arg(name));
    QuaZipFileInfo64 info;
    m_zip->getCurrentFileInfo(&info);
    QuaZipFile file(m_zip.get());
    if (!file.open(QIODevice::ReadOnly))
        throw ImportError(QStringLiteral("файл '%1' в архиве не читается").arg(name));
    // Never more than the directory promised, whatever the packed data says.
    const qint64 declared = qint64(info.uncompressedSize);
    QByteArray bytes;
    bytes.resize(declared);
    qint64 got = 0;
    while (got < declared) {
        const qint64 n = file.read(bytes.data() + got, declared - got);
        if (n <= 0)
            break;
        got += n;
    }
    char extra;
    const bool longer = file.read(&extra, 1) > 0;
    file.close();
    if (got != declared || longer || file.getZipError() != UNZ_OK)
        throw ImportError(QStringLiteral("файл '%1' в архиве повреждён").arg(name));
    return bytes;
}

} // namespace imports
