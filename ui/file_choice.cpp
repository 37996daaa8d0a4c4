#include "ui/file_choice.h"

#include <QFile>
#include <QString>

#include "import/model_file.h"

FileType FileTypeOfName(const QString& name) {
    switch (KindOfFileName(QFile::encodeName(name).toStdString())) {
        case ModelFileKind::Model: return FileType::kTypeModel;
        case ModelFileKind::Animation: return FileType::kTypeAnimation;
        case ModelFileKind::Collada:
        case ModelFileKind::Gltf: return FileType::kTypeCollada;
        case ModelFileKind::Other: break;
    }
    return FileType::kTypeOther;
}
