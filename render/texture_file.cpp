#include "render/texture_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <climits>

#include "platform/file_io.h"
#include "platform/stage_timer.h"

namespace {

GLuint Upload(const QImage& image) {
    const stage_timer::Span span("textures: upload");
    if (image.isNull()) return 0;
    GLuint texture = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &texture);
    glTextureStorage2D(texture, 1, GL_RGBA8, image.width(), image.height());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(image.bytesPerLine() / 4));
    glTextureSubImage2D(texture, 0, 0, 0, image.width(), image.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.constBits());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    return texture;
}

// The image in `encoded`, or why it cannot be decoded. Qt never opens a
// path itself: the bytes come from the regular-file reader.
Result<QImage> Decode(const std::string& encoded) {
    if (encoded.size() > static_cast<std::size_t>(INT_MAX)) return Status::Failure("the image is larger than 2 GB");
    const QByteArray bytes = QByteArray::fromRawData(encoded.data(), static_cast<qsizetype>(encoded.size()));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The header's size decides before any pixel memory is taken.
    const QSize size = reader.size();
    if (size.isValid() && static_cast<qint64>(size.width()) * size.height() > kMaxTexturePixels)
        return Status::Failure(std::to_string(size.width()) + " x " + std::to_string(size.height()) +
                               " pixels, more than " + std::to_string(kMaxTexturePixels) + " (4096 x 4096)");
    const stage_timer::Span span("textures: decode");
    QImage image = reader.read();
    if (image.isNull()) return Status::Failure(reader.errorString().toStdString());
    return image.convertToFormat(QImage::Format_RGBA8888);
}

}  // namespace

Result<QImage> DecodeImageFile(const std::string& path) {
    const Result<std::string> bytes = ReadWholeFile(path, kMaxImageFileBytes);
    if (!bytes) return bytes.status().About(path);
    Result<QImage> image = Decode(*bytes);
    if (!image) return image.status().About(path);
    return image;
}

Result<GLuint> UploadImage(const Result<QImage>& image) {
    if (!image) return image.status();
    return Upload(*image);
}

Result<GLuint> LoadTextureFile(const std::string& path) { return UploadImage(DecodeImageFile(path)); }

Result<GLuint> LoadTextureData(const std::string& encoded) { return UploadImage(Decode(encoded)); }

Status CheckImageFile(const std::string& path) {
    const Result<std::string> bytes = ReadWholeFile(path, kMaxImageFileBytes);
    if (!bytes) return bytes.status();
    QByteArray data = QByteArray::fromRawData(bytes->data(), static_cast<qsizetype>(bytes->size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (reader.canRead()) return Status::Ok();
    return Status::Failure(reader.errorString().toStdString());
}
