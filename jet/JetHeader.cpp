#include "jet/JetHeader.h"

#include <QFile>

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace jet {

void rc4(const unsigned char* key, int keyLength, unsigned char* data, int length) {
    unsigned char state[256];
    for (int i = 0; i < 256; ++i)
        state[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + state[i] + key[i % keyLength]) & 0xFF;
        std::swap(state[i], state[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + state[i]) & 0xFF;
        std::swap(state[i], state[j]);
        data[n] ^= state[(state[i] + state[j]) & 0xFF];
    }
}

QByteArray passwordMask(double created) {
    // The whole part of the date, as a 32-bit integer in file order.
    const double whole = std::trunc(created);
    const auto value = static_cast<uint32_t>(std::isfinite(whole) && whole >= std::numeric_limits<int32_t>::min()
                                                     && whole <= std::numeric_limits<int32_t>::max()
                                                 ? static_cast<int32_t>(whole)
                                                 : 0);
    QByteArray mask(4, '\0');
    for (int i = 0; i < 4; ++i)
        mask[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return mask;
}

namespace {

// A password is text followed by zeros; anything else in its place (a mask
// that did not fit, bytes of another meaning) is not taken for one.
bool holdsPassword(const QByteArray& bytes, int characterSize) {
    int end = 0;
    while (end + characterSize <= bytes.size()) {
        bool zero = true;
        for (int b = 0; b < characterSize; ++b)
            zero = zero && bytes[end + b] == '\0';
        if (zero)
            break;
        end += characterSize;
    }
    if (end == 0)
        return false;
    for (int i = end; i < bytes.size(); ++i)
        if (bytes[i] != '\0')
            return false;
    return true;
}

} // namespace

Header parseHeader(QByteArray page) {
    Header header;
    if (page.size() < kMaskedStart + 128 || page[0] != '\0')
        return header;
    const QByteArray signature = page.mid(4, 15);
    if (signature == "Standard ACE DB") {
        header.format = Format::Ace;
        return header;
    }
    if (signature != "Standard Jet DB")
        return header;
    const int version = static_cast<unsigned char>(page[0x14]);
    header.format = version == 0 ? Format::Jet3 : version == 1 ? Format::Jet4 : Format::Ace;
    if (header.format == Format::Ace)
        return header;
    auto* masked = reinterpret_cast<unsigned char*>(page.data()) + kMaskedStart;
    rc4(kHeaderKey, 4, masked, maskedLength(header.format));
    QByteArray password = page.mid(kPasswordOffset, passwordLength(header.format));
    if (header.format == Format::Jet4) {
        double created = 0;
        std::memcpy(&created, page.constData() + kCreatedOffset, sizeof created);
        const QByteArray mask = passwordMask(created);
        for (int i = 0; i < password.size(); ++i)
            password[i] = static_cast<char>(password[i] ^ mask[i % 4]);
    }
    header.password = holdsPassword(password, header.format == Format::Jet4 ? 2 : 1);
    return header;
}

Header readHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parseHeader(file.read(4096));
}

} // namespace jet
