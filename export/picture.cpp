// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/picture.h"

#include "export/atomicfile.h"

#include <QBuffer>
#include <QImageWriter>

namespace korvane::exporting {

namespace {
constexpr int kJpegQuality = 90;
}

namespace {
SaveResult saveImage(const QString& path, const QImage& image, const char* format, int quality)
{
    if (image.isNull())
        return SaveResult::failure(path, QStringLiteral("there is no picture to save"));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image))
        return SaveResult::failure(path, writer.errorString());
    return writeFileAtomically(path, bytes);
}
} // namespace

SaveResult savePicture(const QString& path, const QImage& image)
{
    return saveImage(path, image, "jpeg", kJpegQuality);
}

SaveResult savePng(const QString& path, const QImage& image)
{
    return saveImage(path, image, "png", -1);
}

} // namespace korvane::exporting
