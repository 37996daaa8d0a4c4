#pragma once
// Every text the interface shows, in each language it speaks. One table
// (ui/texts.cpp) holds a row per text and a column per language, so another
// language is one more column. Texts with "%1", "%2" take QString::arg.
//
// The language: the `Language` setting (auto, ja, en); with auto, the
// locale's (LC_ALL, else LC_MESSAGES, else LANG): Japanese when its language
// is "ja", English otherwise.
#include <QString>
#include <string_view>

enum class CLanguage { kJapanese = 0, kEnglish = 1 };
inline constexpr int kLanguageCount = 2;

enum class CTextId {
    // The toolkit's own texts.
    kDialogOpenModel,
    kDialogWriteModel,
    kDialogOpenAnimation,
    kDialogWriteAnimation,
    kUntitled,
    kConfirmTitle,
    kConfirmQuestion,
    // The viewer's texts.
    kMessageTitle,
    kTitleLoading,
    kTitlePaused,
    kNoticeSaved,
    kScreenshotFailed,
    kImagesMissing,
    kSceneIncomplete,
    kSettingsNotWritten,
    // Messages of the file actions (app/file_actions.cpp).
    kCannotOpen,
    kCannotRead,
    kCannotWrite,
    kNothingToWrite,
    kNoAnimationToWrite,
    kNotAModel,
    kNotAnAnimation,
    kOneModelAtATime,
    kNoModelForAnimation,
    // What loading the scene reports (scene/scene_records.cpp, scene_worker.cpp).
    kSkyImageUnreadable,
    kRoomNotImported,
    kRendererNeedsGl45,
    kLampsNotMade,
    kModelCannotBeDrawn,
    // The help over the 3D view (app/disp_window.cpp): the keys, a tab, what they do.
    kHelpOrbit,
    kHelpPan,
    kHelpZoom,
    kHelpView,
    kHelpOverlays,
    kHelpBindPose,
    kHelpSides,
    kHelpHome,
    kHelpFrame,
    kHelpPause,
    kHelpSpeed,
    kHelpStep,
    kHelpEnds,
    kHelpTimeline,
    kHelpFullScreen,
    kHelpPicture,
    kHelpHelp,
    kCount
};

// The text in the interface's current language.
QString Text(CTextId id);
// The text in a given language.
QString TextIn(CTextId id, CLanguage language);

CLanguage InterfaceLanguage();
void SetInterfaceLanguage(CLanguage language);

// The language a locale name stands for ("ja_JP.UTF-8", "ja" -> Japanese;
// "", "C", "en_US", "fr_FR" -> English).
CLanguage LanguageOfLocale(std::string_view locale);
// The language the setting chooses: "ja", "en", or, for "auto" and any other
// value, the locale's from LC_ALL, LC_MESSAGES and LANG, the first one set
// (each may be null or empty).
CLanguage ResolveLanguage(std::string_view setting, const char* lcAll, const char* lcMessages, const char* lang);
// The same with the process's environment.
CLanguage ResolveLanguage(std::string_view setting);
