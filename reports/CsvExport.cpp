#include "reports/CsvExport.h"

#include "platform/Today.h"

#include <QIODevice>

#include <cstdio>
#include <stdexcept>

namespace reports {

namespace {

bool needsQuotes(std::string_view text) { return text.find_first_of(";\"\r\n") != std::string_view::npos; }

void appendField(QByteArray& out, std::string_view text) {
    if (!needsQuotes(text)) {
        out.append(text.data(), qsizetype(text.size()));
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

// dd.MM.yyyy without a QString on the way.
void appendDate(QByteArray& out, double day) {
    const QDate d = platform::dateOfDayNumber(day);
    if (!d.isValid())
        return;
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%02d.%02d.%04d", d.day(), d.month(), d.year());
    out.append(text, n);
}

} // namespace

QByteArray csvField(const QString& text) {
    QByteArray out;
    const QByteArray utf8 = text.toUtf8();
    appendField(out, std::string_view(utf8.constData(), size_t(utf8.size())));
    return out;
}

void writeCsv(QIODevice& device, const engine::Query& query, const QList<int>& fields) {
    QByteArray chunk("\xEF\xBB\xBF");
    chunk.reserve(1 << 21);
    const auto flush = [&](bool always) {
        if (!always && chunk.size() < (1 << 20))
            return;
        if (device.write(chunk) != chunk.size())
            throw std::runtime_error(device.errorString().toStdString());
        chunk.clear();
    };
    for (int c = 0; c < fields.size(); ++c) {
        if (c)
            chunk += ';';
        chunk += csvField(query.fields()[fields[c]].label());
    }
    chunk += "\r\n";
    for (int r = 0; r < query.recordCount(); ++r) {
        for (int c = 0; c < fields.size(); ++c) {
            if (c)
                chunk += ';';
            const int field = fields[c];
            if (const std::optional<std::string_view> text = query.storedText(r, field))
                appendField(chunk, *text);
            else if (query.isNull(r, field))
                continue;
            else if (query.fields()[field].kind == engine::FieldKind::DateTime)
                appendDate(chunk, query.realValue(r, field));
            else
                chunk += csvField(query.textValue(r, field)); // numbers, the debtor's name
        }
        chunk += "\r\n";
        flush(false);
    }
    flush(true);
}

} // namespace reports
