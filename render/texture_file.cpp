#include "render/texture_file.h"

#include <QImageReader>

#include <QImage>
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

GLuint LoadTextureFile(const std::string& path) {
    QImage image;
    {
        const stage_timer::Span span("textures: decode");
        image = QImage(QString::fromStdString(path));
    }
    return Upload(std::move(image));
}

GLuint LoadTextureData(const std::string& encoded) {
    if (encoded.size() > static_cast<std::size_t>(INT_MAX)) return 0;
    QImage image;
    {
        const stage_timer::Span span("textures: decode");
        image = QImage::fromData(reinterpret_cast<const uchar*>(encoded.data()), static_cast<int>(encoded.size()));
    }
    return Upload(std::move(image));
}

Status CheckImageFile(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    if (reader.canRead()) return Status::Ok();
    return Status::Failure(reader.errorString().toStdString());
}
