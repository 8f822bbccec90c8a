#include "tests/fuzz/Targets.h"

#include "dialogs/JpegPicture.h"

int fuzz::jpeg(const uint8_t* data, size_t size) {
    const QImage image =
        decodeJpeg(QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    (void)image.isNull();
    return 0;
}
