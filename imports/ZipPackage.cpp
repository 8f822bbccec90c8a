#include "imports/ZipPackage.h"

#include "imports/ImportError.h"

#include <zip.h>

namespace imports {
namespace {

const QString kTooLarge = QStringLiteral("файл слишком велик для импорта или повреждён (распакованный объём %1 МБ)");

QString damaged(const QString& name) { return QStringLiteral("файл '%1' в архиве повреждён").arg(name); }

} // namespace

ZipPackage::ZipPackage(const QString& path) : m_file(path) {
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_problem = QStringLiteral("файл не читается");
        return;
    }
    // Mapped, not read: the archive is never copied into memory.
    const qint64 size = m_file.size();
    const uchar* data = size > 0 ? m_file.map(0, size) : nullptr;
    if (!data) {
        m_problem = QStringLiteral("файл не читается как архив zip");
        return;
    }
    openArchive(reinterpret_cast<const char*>(data), size);
}

ZipPackage::ZipPackage(const QByteArray& bytes) : m_bytes(bytes) { openArchive(m_bytes.constData(), m_bytes.size()); }

void ZipPackage::openArchive(const char* data, qint64 size) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data, zip_uint64_t(size), 0, &error);
    if (source)
        m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!m_zip) {
        if (source)
            zip_source_free(source);
        m_problem = QStringLiteral("файл не читается как архив zip");
    }
    zip_error_fini(&error);
    if (m_zip)
        weigh();
}

void ZipPackage::weigh() {
    const zip_int64_t count = zip_get_num_entries(m_zip, 0);
    if (count > kMostEntries) {
        m_problem = QStringLiteral("в архиве слишком много файлов (%1)").arg(count);
        return;
    }
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t entry;
        constexpr zip_uint64_t kNeeded = ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE;
        if (zip_stat_index(m_zip, zip_uint64_t(i), ZIP_FL_ENC_GUESS, &entry) != 0
            || (entry.valid & kNeeded) != kNeeded) {
            m_problem = QStringLiteral("оглавление архива повреждено");
            return;
        }
        const qint64 unpacked = qint64(std::min<zip_uint64_t>(entry.size, zip_uint64_t(1) << 62));
        const qint64 packed = qint64(std::min<zip_uint64_t>(entry.comp_size, zip_uint64_t(1) << 62));
        total += unpacked;
        if (unpacked > kLargestEntry || total > kLargestTotal) {
            m_problem = kTooLarge.arg(total >> 20);
            return;
        }
        // Some Windows tools write "xl\\workbook.xml": the same part.
        const QString name = QString::fromUtf8(entry.name).replace(u'\\', u'/');
        // Documents pack some tens of times at most; far beyond that, and
        // large, it is made to fill memory.
        if (unpacked > (1 << 20) && unpacked > packed * kTightestRatio) {
            m_problem =
                QStringLiteral("архив сжат неправдоподобно плотно (файл '%1'): похоже на «zip-бомбу»").arg(name);
            return;
        }
        m_entries.insert(name.toLower(), i);
        m_sizes.insert(i, unpacked);
    }
}

ZipPackage::~ZipPackage() {
    if (m_zip)
        zip_discard(m_zip);
}

qint64 ZipPackage::indexOf(const QString& name) const {
    return m_problem.isEmpty() ? m_entries.value(name.toLower(), -1) : -1;
}

bool ZipPackage::contains(const QString& name) const { return indexOf(name) >= 0; }

qint64 ZipPackage::sizeOf(const QString& name) const {
    const qint64 index = indexOf(name);
    return index >= 0 ? m_sizes.value(index) : -1;
}

std::unique_ptr<ZipEntry> ZipPackage::open(const QString& name) {
    const qint64 index = indexOf(name);
    if (index < 0)
        throw ImportError(QStringLiteral("в архиве нет файла '%1'").arg(name));
    zip_file_t* file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
    if (!file) {
        const int error = zip_error_code_zip(zip_get_error(m_zip));
        if (error == ZIP_ER_NOPASSWD || error == ZIP_ER_WRONGPASSWD || error == ZIP_ER_ENCRNOTSUPP)
            throw ImportError(QStringLiteral("файл '%1' в архиве зашифрован").arg(name));
        throw ImportError(QStringLiteral("файл '%1' в архиве не читается").arg(name));
    }
    return std::make_unique<ZipEntry>(file, name, m_sizes.value(index));
}

QByteArray ZipPackage::read(const QString& name) {
    const std::unique_ptr<ZipEntry> entry = open(name);
    QByteArray bytes;
    bytes.reserve(entry->size());
    QByteArray piece;
    while (entry->next(piece, 1 << 20))
        bytes += piece;
    return bytes;
}

ZipEntry::ZipEntry(zip_file* file, const QString& name, qint64 declared)
    : m_file(file), m_name(name), m_declared(declared) {}

ZipEntry::~ZipEntry() { zip_fclose(m_file); }

bool ZipEntry::next(QByteArray& piece, qint64 bytes) {
    piece.clear();
    if (m_ended)
        return false;
    // One byte past the declared size is asked for: more is damage.
    const qint64 wanted = std::min(bytes, m_declared - m_done + 1);
    piece.resize(wanted);
    const zip_int64_t got = zip_fread(m_file, piece.data(), zip_uint64_t(wanted));
    if (got < 0) // the data does not unpack, or its check sum is wrong
        throw ImportError(damaged(m_name));
    piece.resize(got);
    m_done += got;
    if (m_done > m_declared)
        throw ImportError(damaged(m_name));
    if (got == 0) {
        m_ended = true;
        if (m_done != m_declared)
            throw ImportError(damaged(m_name));
        return false;
    }
    return true;
}

} // namespace imports
