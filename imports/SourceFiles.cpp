#include "imports/SourceFiles.h"

#include "imports/Collections.h"
#include "imports/ImportError.h"
#include "imports/Workbooks.h"
#include "imports/ZipPackage.h"

#include <QXmlStreamReader>

namespace imports {
namespace {

const QString kUnknownKind = QStringLiteral(
    "Файл '%1' не похож ни на список (CSV, .xlsx, .ods), ни на коллекцию Tellico или GCstar: %2.");

QString megabytes(qint64 bytes) { return QString::number((bytes + (1 << 20) - 1) >> 20); }

// A text holds no NUL and few other control characters.
bool looksBinary(const QByteArray& head) {
    int controls = 0;
    for (char c : head) {
        if (c == 0)
            return true;
        if (uchar(c) < 32 && c != '\t' && c != '\n' && c != '\r' && c != '\f')
            ++controls;
    }
    return controls * 20 > head.size();
}

// The root element of an XML text and its type attribute; empty when the
// head is no XML.
QPair<QString, QString> xmlRoot(const QByteArray& head) {
    QXmlStreamReader xml(head);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement)
            return {xml.name().toString(), xml.attributes().value(QLatin1String("type")).toString()};
    return {};
}

SourceKind zipKind(const QString& path) {
    ZipPackage zip(path);
    if (!zip.problem().isEmpty())
        throw ImportError(QStringLiteral("Файл '%1' не импортирован: %2.").arg(path, zip.problem()));
    if (zip.contains(QStringLiteral("tellico.xml")) || zip.contains(QStringLiteral("bookcase.xml")))
        return SourceKind::Tellico;
    if (zip.contains(QStringLiteral("xl/workbook.xml")))
        return SourceKind::Xlsx;
    if (zip.contains(QStringLiteral("content.xml")) && zip.contains(QStringLiteral("mimetype"))
        && zip.read(QStringLiteral("mimetype")).trimmed() == "application/vnd.oasis.opendocument.spreadsheet")
        return SourceKind::Ods;
    throw ImportError(kUnknownKind.arg(path, QStringLiteral("это архив zip другого содержания")));
}

QByteArray readWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ImportError(QStringLiteral("Файл '%1' не читается: %2.").arg(path, file.errorString()));
    return file.readAll();
}

} // namespace

SourceKind examine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ImportError(QStringLiteral("Файл '%1' не открывается: %2.").arg(path, file.errorString()));
    const qint64 size = file.size();
    if (size == 0)
        throw ImportError(QStringLiteral("Файл '%1' пуст.").arg(path));
    const QByteArray head = file.read(1 << 16);
    if (head.startsWith("PK\x03\x04"))
        return zipKind(path);
    if (head.startsWith("\xD0\xCF\x11\xE0"))
        throw ImportError(QStringLiteral("Файл '%1' — книга Excel старого формата (.xls), она не читается. "
                                         "Сохраните её в Excel или LibreOffice как .xlsx или CSV и импортируйте снова.")
                              .arg(path));
    if (size > kLargestText)
        throw ImportError(QStringLiteral("Файл '%1' слишком велик: %2 МБ. Импортируются списки до %3 МБ; "
                                         "разделите его на части.")
                              .arg(path, megabytes(size), megabytes(kLargestText)));
    if (looksBinary(head))
        throw ImportError(kUnknownKind.arg(path, QStringLiteral("это не текст")));
    const QByteArray text = head.mid(byteOrderMarkLength(head.constData(), head.size())).trimmed();
    if (!text.startsWith('<'))
        return SourceKind::Text;
    const auto [root, type] = xmlRoot(head);
    SourceKind kind;
    if (root == u"tellico" || root == u"bookcase")
        kind = SourceKind::Tellico;
    else if (root == u"collection" && type.startsWith(u"GC"))
        kind = SourceKind::Gcstar;
    else
        throw ImportError(kUnknownKind.arg(path, QStringLiteral("это XML другого вида")));
    if (size > kLargestXml)
        throw ImportError(QStringLiteral("Файл '%1' слишком велик: %2 МБ. Коллекции импортируются до %3 МБ.")
                              .arg(path, megabytes(size), megabytes(kLargestXml)));
    return kind;
}

ListFile::ListFile(const QString& path, SourceKind kind) : m_file(path) {
    if (kind == SourceKind::Xlsx || kind == SourceKind::Ods) {
        auto zip = std::make_unique<ZipPackage>(path);
        if (!zip->problem().isEmpty())
            throw ImportError(QStringLiteral("Файл '%1' не импортирован: %2.").arg(path, zip->problem()));
        m_workbook = kind == SourceKind::Xlsx ? openXlsx(std::move(zip)) : openOds(std::move(zip));
        selectSheet(0);
        return;
    }
    if (!m_file.open(QIODevice::ReadOnly))
        throw ImportError(QStringLiteral("Файл '%1' не читается: %2.").arg(path, m_file.errorString()));
    m_size = qsizetype(m_file.size());
    // Mapped, not read: a large list is never copied into memory.
    m_bytes = reinterpret_cast<const char*>(m_file.map(0, m_size));
    if (!m_bytes)
        throw ImportError(QStringLiteral("Файл '%1' не читается: %2.").arg(path, m_file.errorString()));
    m_encoding = detectEncoding(m_bytes, m_size);
    m_separator = detectSeparator(m_bytes, m_size);
    rewind();
}

ListFile::~ListFile() = default;

QStringList ListFile::sheetNames() const { return m_workbook ? m_workbook->sheetNames() : QStringList(); }

void ListFile::selectSheet(int sheet) {
    if (!m_workbook)
        return;
    m_rows = m_workbook->rows(sheet);
    m_sheet = sheet;
    rewind();
}

void ListFile::rewind() {
    m_next = 0;
    if (m_bytes)
        m_cursor = std::make_unique<CsvCursor>(m_bytes, m_size, m_separator, m_encoding);
}

bool ListFile::next(QStringList& cells) {
    if (m_cursor)
        return m_cursor->next(cells);
    if (m_next >= m_rows.size())
        return false;
    cells = m_rows[m_next++];
    return true;
}

qint64 ListFile::row() const { return m_cursor ? m_cursor->row() : m_next; }

double ListFile::progress() const {
    if (m_cursor)
        return m_size > 0 ? double(m_cursor->position()) / double(m_size) : 1;
    return m_rows.isEmpty() ? 1 : double(m_next) / double(m_rows.size());
}

QList<Record> readCollection(const QString& path, SourceKind kind) {
    if (kind == SourceKind::Gcstar)
        return readGcstar(readWhole(path));
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.peek(4) == "PK\x03\x04") {
        ZipPackage zip(path);
        if (!zip.problem().isEmpty())
            throw ImportError(QStringLiteral("Файл '%1' не импортирован: %2.").arg(path, zip.problem()));
        const QString part = zip.contains(QStringLiteral("tellico.xml")) ? QStringLiteral("tellico.xml")
                                                                           : QStringLiteral("bookcase.xml");
        const QByteArray xml = zip.read(part);
        if (xml.size() > kLargestXml)
            throw ImportError(QStringLiteral("Коллекция в файле '%1' слишком велика.").arg(path));
        return readTellico(xml);
    }
    return readTellico(readWhole(path));
}

} // namespace imports
