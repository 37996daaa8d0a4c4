#pragma once
// What the select-file dialog is asked for, and what a chosen name stands for.

// The modes of the select-file dialog: one per menu button.
enum class FileDialogMode { kModeNone, kModeOpenModel, kModeWriteModel, kModeOpenAnimation, kModeWriteAnimation };

// The kind of file a selected name stands for.
enum class FileType { kTypeNone, kTypeModel, kTypeAnimation, kTypeCollada, kTypeOther };

class QString;

// The kind of `name`, by the rule that opening it follows (KindOfFileName):
// .dae, .gltf and .glb are all kTypeCollada, an unknown extension kTypeOther.
FileType FileTypeOfName(const QString& name);
