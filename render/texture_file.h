#pragma once
// Model and sky textures: a file decoded by Qt's image readers (PNG, JPEG,
// BMP, and TGA where available), uploaded as RGBA8 with one mip level, row 0
// at texture coordinate v = 0.
#include <QImage>
#include <string>

#include "platform/status.h"
#include "render/gl.h"

// The most pixels an image may have: the size is read from its header and a
// larger one is refused before it is decoded.
inline constexpr long long kMaxTexturePixels = 4096LL * 4096;

// The texture name, or why the file cannot be read or decoded (the value
// is then 0, which binds as black).
Result<GLuint> LoadTextureFile(const std::string& path);
// The same for an image file's bytes held in memory.
Result<GLuint> LoadTextureData(const std::string& encoded);
// LoadTextureFile in two halves. Reading and decoding need no GL context,
// so another thread can do them while the render thread works.
Result<QImage> DecodeImageFile(const std::string& path);
// The texture of a decoded image (0 for a null one), or the image's failure.
Result<GLuint> UploadImage(const Result<QImage>& image);

// Whether the image file can be decoded, from its header: the reason when not.
Status CheckImageFile(const std::string& path);
