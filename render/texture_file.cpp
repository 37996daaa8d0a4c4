#include "render/texture_file.h"

#include <QImageReader>

#include <QImage>
#include <QImageReader>
#include <QString>
#include <climits>

#include "platform/stage_timer.h"

namespace {

GLuint Upload(QImage image) {
    const stage_timer::Span span("textures: convert and upload");
    if (image.isNull()) return 0;
    image = image.convertToFormat(QImage::Format_RGBA8888);
    GLuint texture = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &texture);
    glTextureStorage2D(texture, 1, GL_RGBA8, image.width(), image.height());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(image.bytesPerLine() / 4));
    glTextureSubImage2D(texture, 0, 0, 0, image.width(), image.height(), GL_RGBA, GL_UNSIGNED_BYTE,
                        image.constBits());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    return texture;
}

}  // namespace

Result<GLuint> LoadTextureFile(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    QImage image;
    {
        const stage_timer::Span span("textures: decode");
        image = reader.read();
    }
    const GLuint texture = Upload(std::move(image));
    if (texture == 0) return Status::Failure(path + ": " + reader.errorString().toStdString());
    return texture;
}

Result<GLuint> LoadTextureData(const std::string& encoded) {
    if (encoded.size() > static_cast<std::size_t>(INT_MAX)) return Status::Failure("the image is larger than 2 GB");
    QImage image;
    {
        const stage_timer::Span span("textures: decode");
        image = QImage::fromData(reinterpret_cast<const uchar*>(encoded.data()), static_cast<int>(encoded.size()));
    }
    const GLuint texture = Upload(std::move(image));
    if (texture == 0) return Status::Failure("the image cannot be decoded");
    return texture;
}

Status CheckImageFile(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    if (reader.canRead()) return Status::Ok();
    return Status::Failure(reader.errorString().toStdString());
}
