#pragma once
// Every user-adjustable value: render size, camera start, interface colours,
// file extensions, start model and sky textures. Filled with defaults, then
// overwritten from config.ini at start-up; written back on exit with every
// line the file had (comments, keys of other versions) in its place.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/name.h"
#include "platform/status.h"

struct CSettings {
    CSettings();

    int ScreenWidth = 1536;
    int ScreenHeight = 1080;
    float RotationX = 1.5f;
    float RotationZ = 1.5f;
    float EyePosX = 0.0f;
    float EyePosY = -2.5f;
    float EyePosZ = 1.5f;
    float AtX = 0.0f;
    float AtY = -3.5f;
    float AtZ = 1.5f;
    int BKColorA = 255, BKColorR = 140, BKColorG = 110, BKColorB = 110;
    int TextColorA = 255, TextColorR = 200, TextColorG = 180, TextColorB = 180;
    int BarColorA = 255, BarColorR = 100, BarColorG = 70, BarColorB = 70;
    int ViewerBKColorA = 255, ViewerBKColorR = 220, ViewerBKColorG = 220, ViewerBKColorB = 220;
    int MenuBKColorA = 255, MenuBKColorR = 110, MenuBKColorG = 80, MenuBKColorB = 80;
    int MenuTextColorA = 255, MenuTextColorR = 220, MenuTextColorG = 200, MenuTextColorB = 200;
    CName ModelPath;
    CName ExtModel;
    CName ExtAnim;
    CName ExtDae;
    CName ImgPath;
    CName TextureCloudName;
    CName TextureStarName;
    CName TextureMoonName;
    // The interface's language: "auto" (the locale's), "ja" or "en".
    CName Language;
    // The main window's place and size when it was last left, restored (not
    // maximised); a size of 0 is the default, made from the screen's size.
    int WindowX = 0, WindowY = 0, WindowWidth = 0, WindowHeight = 0;
    // The folder the file dialog showed last; empty: the start folder. The
    // rest of its line, so a folder name may hold spaces.
    CName LastFolder;
    // 1: the viewer starts in the inspection view (neutral background, grid); 0: the room.
    int InspectView = 0;

    // Applies the key/value lines of a config.ini held in memory and keeps
    // its lines for Serialize. A number that no view can use (a screen size
    // outside 16..16384, a float that is not finite or beyond 1e6) leaves
    // its key at the default; each such line is described in *fallbacks.
    // False, with nothing applied, when the bytes are no text (a NUL or
    // another control byte than tab, CR, LF, form feed and end-of-file).
    [[nodiscard]] bool Read(std::string_view fileBytes, std::vector<std::string>* fallbacks = nullptr);
    // Reads `path`; a missing file keeps the defaults. A file there that
    // cannot be read as settings (no regular file, over 1 MB, unreadable, no
    // text) fails with the reason, keeps the defaults, and from then on
    // MayWriteBack is false: the user's file is left as it is.
    Status ReadFile(const std::string& path, std::vector<std::string>* fallbacks = nullptr);
    bool MayWriteBack() const { return !unreadable_; }
    // The config.ini text as Write stores it (CR LF line ends, CP932): the
    // lines read, a known key's line holding its value, then the known keys
    // the file lacked, in their fixed order.
    std::string Serialize() const;
    // Replaces config.ini in `directory` (default: the working directory)
    // atomically; the reason when the file cannot be written.
    Status Write(const std::string& directory = ".") const;

private:
    std::vector<std::string> lines_;  // as read, without line ends
    bool unreadable_ = false;
};
