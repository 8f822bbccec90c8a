#include "imports/SourceFiles.h"

#include "imports/Collections.h"
#include "imports/ImportError.h"
#include "imports/Workbooks.h"
#include "imports/ZipPackage.h"

#include <QXmlStreamReader>
#include <QtEndian>

#include <algorithm>

namespace imports {
namespace {

const QString kUnknownKind =
    QStringLiteral("Файл '%1' не похож ни на список (CSV, .xlsx, .ods), ни на коллекцию Tellico или GCstar: %2.");

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

// An OpenDocument spreadsheet by its mimetype entry, or by its manifest
// where the file has none (as some online editors save it).
bool isOds(ZipPackage& zip) {
    const QByteArray type = "application/vnd.oasis.opendocument.spreadsheet";
    if (!zip.contains(QStringLiteral("content.xml")))
        return false;
    if (zip.contains(QStringLiteral("mimetype")))
        return zip.read(QStringLiteral("mimetype")).trimmed() == type;
    const QString manifest = QStringLiteral("META-INF/manifest.xml");
    return zip.contains(manifest) && zip.sizeOf(manifest) < (1 << 20)
           && zip.read(manifest).contains("manifest:media-type=\"" + type + '"');
}

SourceKind zipKind(const QString& path) {
    ZipPackage zip(path);
    if (!zip.problem().isEmpty())
        throw ImportError(QStringLiteral("Файл '%1' не импортирован: %2.").arg(path, zip.problem()));
    if (zip.contains(QStringLiteral("tellico.xml")) || zip.contains(QStringLiteral("bookcase.xml")))
        return SourceKind::Tellico;
    if (zip.contains(QStringLiteral("xl/workbook.xml")) || zip.contains(QStringLiteral("[Content_Types].xml")))
        return SourceKind::Xlsx;
    if (isOds(zip))
        return SourceKind::Ods;
    throw ImportError(kUnknownKind.arg(path, QStringLiteral("это архив zip другого содержания")));
}

// An OLE compound file: an old Excel book, or a new one locked with a
// password (its package encrypted inside such a file).
void refuseCompoundFile(QFile& file, const QString& path) {
    file.seek(0);
    const QByteArray header = file.read(512);
    QByteArray entries; // the first sector of the directory, where the package is named
    if (header.size() >= 0x34) {
        const int shift = qFromLittleEndian<quint16>(header.constData() + 0x1E);
        const quint32 directory = qFromLittleEndian<quint32>(header.constData() + 0x30);
        if (shift >= 7 && shift <= 16 && file.seek((qint64(directory) + 1) << shift))
            entries = file.read(qint64(1) << shift);
    }
    const QByteArray encrypted = QByteArray::fromRawData(reinterpret_cast<const char*>(u"EncryptedPackage"), 32);
    if (entries.contains(encrypted))
        throw ImportError(QStringLiteral("Файл '%1' — книга, защищённая паролем. Снимите пароль в Excel или "
                                         "LibreOffice (сохраните книгу без пароля) и импортируйте снова.")
                              .arg(path));
    throw ImportError(QStringLiteral("Файл '%1' — книга Excel старого формата (.xls), она не читается. "
                                     "Сохраните её в Excel или LibreOffice как .xlsx или CSV и импортируйте снова.")
                          .arg(path));
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
        refuseCompoundFile(file, path);
    if (size > kLargestText)
        throw ImportError(QStringLiteral("Файл '%1' слишком велик: %2 МБ. Импортируются списки до %3 МБ; "
                                         "разделите его на части.")
                              .arg(path, megabytes(size), megabytes(kLargestText)));
    if (detectEncoding(head.constData(), head.size()) == Encoding::Utf16)
        return SourceKind::Text;
    if (looksBinary(head))
        throw ImportError(kUnknownKind.arg(path, QStringLiteral("это не текст")));
    const QByteArray text = head.mid(byteOrderMarkLength(head.constData(), head.size())).trimmed();
    if (!text.startsWith('<'))
        return SourceKind::Text;
    const auto [root, type] = xmlRoot(head);
    SourceKind kind;
    if (root == u"tellico" || root == u"bookcase")
        kind = SourceKind::Tellico;
    else if (root == u"collection" && !type.isEmpty()) // GCstar's own kinds, and those its users made
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
        const QList<Sheet> all = m_workbook->sheets();
        const auto visible = std::find_if(all.begin(), all.end(), [](const Sheet& s) { return !s.hidden; });
        selectSheet(visible == all.end() ? 0 : int(visible - all.begin()));
        return;
    }
    if (!m_file.open(QIODevice::ReadOnly))
        throw ImportError(QStringLiteral("Файл '%1' не читается: %2.").arg(path, m_file.errorString()));
    m_size = qsizetype(m_file.size());
    // Mapped, not read: a large list is never copied into memory.
    m_bytes = reinterpret_cast<const char*>(m_file.map(0, m_size));
    if (!m_bytes)
        throw ImportError(QStringLiteral("Файл '%1' не читается: %2.").arg(path, m_file.errorString()));
    setEncoding(detectEncoding(m_bytes, m_size));
    m_separator = detectSeparator(text(), textSize());
    rewind();
}

ListFile::~ListFile() = default;

QList<Sheet> ListFile::sheets() const { return m_workbook ? m_workbook->sheets() : QList<Sheet>(); }

void ListFile::selectSheet(int sheet) {
    if (!m_workbook)
        return;
    m_sheet = sheet;
    rewind();
}

void ListFile::setEncoding(Encoding encoding) {
    m_encoding = encoding;
    if (encoding == Encoding::Utf16 && m_utf8.isEmpty()) {
        if (m_size > kLargestUtf16)
            throw ImportError(QStringLiteral("Текст в кодировке UTF-16 импортируется до %1 МБ: сохраните список "
                                             "в кодировке UTF-8.")
                                  .arg(kLargestUtf16 >> 20));
        m_utf8 = utf8Of(m_bytes, m_size);
    }
}

const char* ListFile::text() const { return m_encoding == Encoding::Utf16 ? m_utf8.constData() : m_bytes; }

qsizetype ListFile::textSize() const { return m_encoding == Encoding::Utf16 ? m_utf8.size() : m_size; }

void ListFile::rewind() {
    m_row = 0;
    if (m_workbook)
        m_rows = m_workbook->rows(m_sheet);
    else if (m_bytes)
        m_cursor = std::make_unique<CsvCursor>(text(), textSize(), m_separator, m_encoding);
}

bool ListFile::next(QStringList& cells) {
    if (m_cursor)
        return m_cursor->next(cells);
    return m_rows && m_rows->next(cells, m_row);
}

qint64 ListFile::row() const { return m_cursor ? m_cursor->row() : m_row; }

double ListFile::progress() const {
    if (m_cursor)
        return textSize() > 0 ? double(m_cursor->position()) / double(textSize()) : 1;
    return m_rows ? m_rows->progress() : 1;
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
