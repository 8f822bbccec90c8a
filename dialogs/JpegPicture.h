#pragma once

#include <QByteArray>
#include <QImage>

// Decodes a JPEG held in memory with libjpeg directly, so the about box does
// not depend on Qt's image format plugin being installed.  Corrupt or
// truncated data gives a null image; it never aborts the process.
QImage decodeJpeg(const QByteArray& data);
