#pragma once
// The click actions of the main window's title-bar buttons and the menu
// strip's four buttons. Each reaches the application through its one object.
#include "ui/custom_button.h"

class CButtonClose : public CCustomButton {
public:
    bool Click() override;  // restores the start directory, writes config.ini, quits
};

class CButtonMinimize : public CCustomButton {
public:
    bool Click() override;
};

class CButtonMaximize : public CCustomButton {
public:
    bool Click() override;  // maximised <-> restored
};

// The menu buttons open the select-file dialog in their mode.
class CMenuButton : public CCustomButton {
public:
    explicit CMenuButton(int mode) : mode_(mode) {}
    bool Click() override;
    int Mode() const { return mode_; }

private:
    int mode_;
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
