#pragma once
// The 8-bit text of Jet 3 files: Windows code pages, and which one a file's
// text was written in.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace jet {

// Windows code page numbers (1251 Cyrillic, 1252 Western).
QString decode(QByteArrayView bytes, int codePage);
QByteArray encode(const QString& text, int codePage);

// The code page the texts were most likely written in: 1251 when words
// wholly of letters from the upper half dominate (as Russian text in 1251
// is), 1252 otherwise (Western text puts a few such letters inside words
// of Latin ones). A file's header may name 1252 whatever was written.
int guessCodePage(const QList<QByteArray>& texts);

} // namespace jet
