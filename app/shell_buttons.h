#pragma once
// The main window's title-bar buttons and the menu strip's four buttons.
// Their owner hands each its action.
#include <functional>

#include "ui/custom_button.h"

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
    explicit CMenuButton(int mode) : mode_(mode) {}
    void SetOpen(std::function<void(int mode)> open) { open_ = std::move(open); }
    bool Click() override {
        if (open_) open_(mode_);
        return true;
    }
    int Mode() const { return mode_; }

private:
    int mode_;
    std::function<void(int)> open_;
};

class CButtonModelOpen : public CMenuButton {
public:
    CButtonModelOpen() : CMenuButton(1) {}
};
class CButtonModelWrite : public CMenuButton {
public:
    CButtonModelWrite() : CMenuButton(2) {}
};
class CButtonAnimOpen : public CMenuButton {
public:
    CButtonAnimOpen() : CMenuButton(3) {}
};
class CButtonAnimWrite : public CMenuButton {
public:
    CButtonAnimWrite() : CMenuButton(4) {}
};
