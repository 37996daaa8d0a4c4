#pragma once
// The main window's title-bar buttons and the menu strip's four buttons.
// Their owner hands each its action.
#include <functional>

#include "ui/custom_button.h"
#include "ui/file_choice.h"

class CActionButton : public CCustomButton {
public:
    void SetAction(std::function<void()> action) { action_ = std::move(action); }
    bool Click() override {
        if (action_) action_();
        return true;
    }

private:
    std::function<void()> action_;
};

// Restores the start directory, writes config.ini, quits.
class CButtonClose : public CActionButton {};
class CButtonMinimize : public CActionButton {};
// Maximised <-> restored.
class CButtonMaximize : public CActionButton {};

// The menu buttons open the select-file dialog in their mode.
class CMenuButton : public CCustomButton {
public:
    explicit CMenuButton(FileDialogMode mode) : mode_(mode) {}
    void SetOpen(std::function<void(FileDialogMode mode)> open) { open_ = std::move(open); }
    bool Click() override {
        if (open_) open_(mode_);
        return true;
    }
    FileDialogMode Mode() const { return mode_; }

private:
    FileDialogMode mode_;
    std::function<void(FileDialogMode)> open_;
};

class CButtonModelOpen : public CMenuButton {
public:
    CButtonModelOpen() : CMenuButton(FileDialogMode::kModeOpenModel) {}
};
class CButtonModelWrite : public CMenuButton {
public:
    CButtonModelWrite() : CMenuButton(FileDialogMode::kModeWriteModel) {}
};
class CButtonAnimOpen : public CMenuButton {
public:
    CButtonAnimOpen() : CMenuButton(FileDialogMode::kModeOpenAnimation) {}
};
class CButtonAnimWrite : public CMenuButton {
public:
    CButtonAnimWrite() : CMenuButton(FileDialogMode::kModeWriteAnimation) {}
};
