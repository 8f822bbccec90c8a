#include "dialogs/JpegPicture.h"

#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// A broken header can claim any size up to 65535 x 65535; refuse to allocate
// more than this for one picture.
constexpr qint64 MaxImageBytes = 256LL * 1024 * 1024;

// libjpeg's default error handler calls exit(); ours jumps back to
// decodeJpeg() instead.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

// Warnings are silent (the default handler prints to stderr).  Running out
// of data is only a warning to libjpeg, which pads the stream and returns a
// picture with a grey bottom part; we would rather show no picture at all.
// Other warnings mean recoverable damage and the picture is kept.
void onMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::longjmp(err->jump, 1);
    }
}

} // namespace

QImage decodeJpeg(const QByteArray& data) {
    if (data.isEmpty())
        return {};

    jpeg_decompress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;

    // The image is reached through a pointer fixed before setjmp, so a jump
    // back neither sees a stale value nor skips a destructor.
    QImage* const volatile result = new QImage;

    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        delete result;
        return {};
    }

    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);

    // libjpeg converts greyscale and YCbCr alike to RGB; CMYK cannot be
    // converted this way and ends in the error handler.
    cinfo.out_color_space = JCS_RGB;
    jpeg_calc_output_dimensions(&cinfo);
    if (qint64(cinfo.output_width) * cinfo.output_height * 3 > MaxImageBytes) {
        jpeg_destroy_decompress(&cinfo);
        delete result;
        return {};
    }

    jpeg_start_decompress(&cinfo);
    *result =
        QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), QImage::Format_RGB888);
    if (result->isNull() || cinfo.output_components != 3) {
        jpeg_destroy_decompress(&cinfo);
        delete result;
        return {};
    }

    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = result->scanLine(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }

    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);

    QImage image = std::move(*result);
    delete result;
    return image;
}
