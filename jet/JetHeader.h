#pragma once
// What the first page of a file says about it as a Microsoft Access (Jet)
// database: which format, and whether a database password is set. Read
// by the program itself, so it can tell before it starts the importer.
#include <QByteArray>
#include <QString>

namespace jet {

enum class Format {
    NotJet, // anything else, an SQLite catalogue among them
    Jet3,   // Access 97
    Jet4,   // Access 2000 to 2003
    Ace,    // Access 2007 and later (.accdb)
};

struct Header {
    Format format = Format::NotJet;
    bool password = false;
};

Header readHeader(const QString& path);
// The same for the first page's bytes (at least the first 256).
Header parseHeader(QByteArray page);

// RC4 as the format uses it to mask part of the first page: data is
// encoded and decoded in place.
void rc4(const unsigned char* key, int keyLength, unsigned char* data, int length);

// The masked part of the first page: where it starts, how long it is, and
// the fixed key it is masked with.
inline constexpr int kMaskedStart = 0x18;
inline int maskedLength(Format format) { return format == Format::Jet3 ? 126 : 128; }
inline constexpr unsigned char kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
// Inside it: the password (20 bytes in Jet 3, 40 in Jet 4) and, in Jet 4,
// the creation date, whose whole-day number masks the password.
inline constexpr int kPasswordOffset = 0x42;
inline constexpr int kCreatedOffset = 0x72;
inline int passwordLength(Format format) { return format == Format::Jet3 ? 20 : 40; }
// The four bytes a Jet 4 password is masked with, from the creation date.
QByteArray passwordMask(double created);

} // namespace jet
