#include "jet/CodePages.h"

#include <unicode/ucnv.h>

#include <memory>

namespace jet {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};

std::unique_ptr<UConverter, ConverterCloser> converter(int codePage) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* c = ucnv_open(QByteArray("windows-" + QByteArray::number(codePage)).constData(), &status);
    if (U_FAILURE(status))
        c = ucnv_open("windows-1252", &(status = U_ZERO_ERROR));
    return std::unique_ptr<UConverter, ConverterCloser>(c);
}

bool upperLetter(unsigned char c) { return c >= 0xC0 || c == 0xA8 || c == 0xB8; }
bool asciiLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

} // namespace

QString decode(QByteArrayView bytes, int codePage) {
    if (bytes.isEmpty())
        return QString();
    auto c = converter(codePage);
    QString text(bytes.size(), Qt::Uninitialized); // one unit per byte in these code pages
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(c.get(), reinterpret_cast<UChar*>(text.data()), int32_t(text.size()),
                                         bytes.data(), int32_t(bytes.size()), &status);
    text.truncate(U_SUCCESS(status) || status == U_STRING_NOT_TERMINATED_WARNING ? length : 0);
    return text;
}

QByteArray encode(const QString& text, int codePage) {
    if (text.isEmpty())
        return QByteArray();
    auto c = converter(codePage);
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_fromUChars(c.get(), bytes.data(), int32_t(bytes.size()),
                                           reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()), &status);
    bytes.truncate(U_SUCCESS(status) || status == U_STRING_NOT_TERMINATED_WARNING ? length : 0);
    return bytes;
}

int guessCodePage(const QList<QByteArray>& texts) {
    qsizetype wholly = 0, mixed = 0;
    for (const QByteArray& text : texts) {
        qsizetype upper = 0, ascii = 0;
        for (qsizetype i = 0; i <= text.size(); ++i) {
            const auto c = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
            if (upperLetter(c)) {
                ++upper;
            } else if (asciiLetter(c)) {
                ++ascii;
            } else { // a word ends
                if (upper >= 2 && ascii == 0)
                    ++wholly;
                else if (upper > 0 && ascii > 0)
                    ++mixed;
                upper = ascii = 0;
            }
        }
    }
    return wholly > mixed ? 1251 : 1252;
}

} // namespace jet
