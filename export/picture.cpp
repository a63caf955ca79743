#include "export/picture.h"

#include "export/atomicfile.h"

#include <QBuffer>
#include <QImageWriter>

namespace korvane::exporting {

namespace {
constexpr int kJpegQuality = 90;
}

SaveResult savePicture(const QString& path, const QImage& image)
{
    if (image.isNull())
        return SaveResult::failure(path, QStringLiteral("there is no picture to save"));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(kJpegQuality);
    if (!writer.write(image))
        return SaveResult::failure(path, writer.errorString());
    return writeFileAtomically(path, bytes);
}

} // namespace korvane::exporting
