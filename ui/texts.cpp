#include "ui/texts.h"

#include <atomic>
#include <cstdlib>

namespace {

struct Row {
    CTextId id;
    const char16_t* text[kLanguageCount];  // in CLanguage order: Japanese, English
};

// One row per text; the rows follow CTextId's order (checked below).
constexpr Row kTexts[] = {
    {CTextId::kDialogOpenModel,
     {u"モデルファイル(.dae .gltf .glb .mdl)を開く", u"Open a model file (.dae .gltf .glb .mdl)"}},
    {CTextId::kDialogWriteModel, {u"モデルファイル(.mdl)を書き出し", u"Write the model file (.mdl)"}},
    {CTextId::kDialogOpenAnimation, {u"アニメーションファイル(.ani)を開く", u"Open an animation file (.ani)"}},
    {CTextId::kDialogWriteAnimation, {u"アニメーションファイル(.ani)を書き出し", u"Write the animation file (.ani)"}},
    {CTextId::kUntitled, {u"名称未設定", u"untitled"}},
    {CTextId::kConfirmTitle, {u"確認", u"Confirm"}},
    {CTextId::kConfirmQuestion,
     {u"ファイルは既に存在します。上書きしますか？", u"The file already exists. Replace it?"}},

    {CTextId::kMessageTitle, {u"エラー", u"Error"}},
    {CTextId::kTitleLoading, {u"読み込み中...", u"LOADING..."}},
    {CTextId::kTitlePaused, {u"一時停止", u"paused"}},
    {CTextId::kNoticeSaved, {u"%1 を保存しました", u"saved %1"}},
    {CTextId::kScreenshotFailed,
     {u"スクリーンショットを %1 に書き出せませんでした。", u"The screenshot could not be written into %1."}},
    {CTextId::kImagesMissing, {u"次の画像なしで表示しています:\n", u"The interface runs without these images:\n"}},
    {CTextId::kSceneIncomplete,
     {u"読み込めなかったものを除いてシーンを表示しています:\n", u"The scene runs without what could not be loaded:\n"}},
    {CTextId::kSettingsNotWritten, {u"config.ini を書き出せません: %1。", u"config.ini cannot be written: %1."}},

    {CTextId::kCannotOpen, {u"%1 を開けませんでした。\n%2", u"%1 could not be opened.\n%2"}},
    {CTextId::kCannotRead, {u"%1 を読み込めませんでした: %2。", u"%1 could not be read: %2."}},
    {CTextId::kCannotWrite, {u"%1 を書き出せません: %2。", u"Cannot write %1: %2."}},
    {CTextId::kNothingToWrite,
     {u"モデルが開かれていません。書き出すものがありません。", u"No model is open: there is nothing to write."}},
    {CTextId::kNoAnimationToWrite,
     {u"モデル %1 には書き出すアニメーションがありません。", u"The model %1 has no animation to write."}},
    {CTextId::kNotAModel,
     {u"%1 はモデルファイル(.dae .gltf .glb .mdl)ではありません。何も開いていません。",
      u"%1 is not a model file (.dae, .gltf, .glb or .mdl): nothing was opened."}},
    {CTextId::kNotAnAnimation,
     {u"%1 はアニメーションファイル(.ani)ではありません。何も開いていません。",
      u"%1 is not an animation file (.ani): nothing was opened."}},
    {CTextId::kOneModelAtATime,
     {u"%1: モデルは一度に一つだけ開けます。開いていません。", u"%1: one model at a time; it was not opened."}},
    {CTextId::kNoModelForAnimation,
     {u"モデルが開かれていません。先にモデルを開いてください",
      u"no model is open: open a model before its animations"}},

    {CTextId::kSkyImageUnreadable, {u"空の画像 %1: %2", u"sky image %1: %2"}},
    {CTextId::kRoomNotImported, {u"%1: 取り込めません", u"%1: cannot be imported"}},
    {CTextId::kRendererNeedsGl45,
     {u"描画を始められません: OpenGL 4.5 core が必要です", u"the renderer cannot start: OpenGL 4.5 core is needed"}},
    {CTextId::kLampsNotMade, {u"ランプか光の筋を作れません", u"the lamps or the light shafts cannot be made"}},
    {CTextId::kModelCannotBeDrawn, {u"モデルを描画できません", u"the model cannot be drawn"}},

    {CTextId::kHelpOrbit, {u"右ドラッグ\t回転", u"Right drag\torbit"}},
    {CTextId::kHelpPan, {u"左ドラッグ\t移動", u"Left drag\tpan"}},
    {CTextId::kHelpZoom, {u"ホイール\t拡大・縮小", u"Wheel\tzoom"}},
    {CTextId::kHelpView, {u"R\t部屋 / 検査ビュー", u"R\troom / inspection view"}},
    {CTextId::kHelpOverlays, {u"B  W  G\tボーン、ワイヤーフレーム、グリッド", u"B  W  G\tbones, wireframe, grid"}},
    {CTextId::kHelpBindPose, {u"T\tバインドポーズ(アニメーションなし)", u"T\tbind pose (no animation)"}},
    {CTextId::kHelpSides,
     {u"1  3  7\t前、右、上から(Ctrl: 反対側)", u"1  3  7\tfront, right, top (Ctrl: opposite side)"}},
    {CTextId::kHelpHome, {u"5  0\t最初のカメラに戻る", u"5  0\tback to the start camera"}},
    {CTextId::kHelpFrame, {u"F\tモデル全体を映す", u"F\tframe the model"}},
    {CTextId::kHelpPause, {u"P\t一時停止 / 再生", u"P\tpause / play"}},
    {CTextId::kHelpSpeed, {u"[  ]\t速度を半分 / 倍に", u"[  ]\thalf / double speed"}},
    {CTextId::kHelpStep, {u",  .\t1 フレーム戻る / 進む", u",  .\tone frame back / on"}},
    {CTextId::kHelpEnds, {u"Home  End\t最初 / 最後のフレーム", u"Home  End\tfirst / last frame"}},
    {CTextId::kHelpTimeline, {u"L\tタイムラインの表示 / 非表示", u"L\ttimeline on / off"}},
    {CTextId::kHelpFullScreen, {u"Space\t全画面", u"Space\tfull screen"}},
    {CTextId::kHelpPicture, {u"F12\t画像を保存", u"F12\tsave a picture"}},
    {CTextId::kHelpHelp, {u"H  F1\tこのヘルプ", u"H  F1\tthis help"}},
};

constexpr bool RowsInOrder() {
    if (sizeof kTexts / sizeof kTexts[0] != static_cast<std::size_t>(CTextId::kCount)) return false;
    for (std::size_t i = 0; i < sizeof kTexts / sizeof kTexts[0]; ++i)
        if (static_cast<std::size_t>(kTexts[i].id) != i) return false;
    return true;
}
static_assert(RowsInOrder(), "one row per text id, in the enum's order");

std::atomic<int> g_language{-1};  // not chosen yet: the environment's

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if ((s[i] | 0x20) != prefix[i]) return false;
    return true;
}

}  // namespace

QString TextIn(CTextId id, CLanguage language) {
    const auto i = static_cast<std::size_t>(id);
    const auto l = static_cast<std::size_t>(language);
    if (i >= static_cast<std::size_t>(CTextId::kCount) || l >= static_cast<std::size_t>(kLanguageCount)) return {};
    return QString::fromUtf16(kTexts[i].text[l]);
}

QString Text(CTextId id) { return TextIn(id, InterfaceLanguage()); }

CLanguage InterfaceLanguage() {
    int l = g_language.load(std::memory_order_relaxed);
    if (l < 0) {
        l = static_cast<int>(ResolveLanguage("auto"));
        g_language.store(l, std::memory_order_relaxed);
    }
    return static_cast<CLanguage>(l);
}

void SetInterfaceLanguage(CLanguage language) { g_language.store(static_cast<int>(language)); }

CLanguage LanguageOfLocale(std::string_view locale) {
    // "ja", "ja_JP", "ja_JP.UTF-8", "ja_JP@..." -- the language part alone.
    const bool japanese = StartsWithNoCase(locale, "ja") && (locale.size() == 2 || locale[2] == '_' ||
                                                             locale[2] == '.' || locale[2] == '@' || locale[2] == '-');
    return japanese ? CLanguage::kJapanese : CLanguage::kEnglish;
}

CLanguage ResolveLanguage(std::string_view setting, const char* lcAll, const char* lcMessages, const char* lang) {
    if (setting == "ja") return CLanguage::kJapanese;
    if (setting == "en") return CLanguage::kEnglish;
    for (const char* v : {lcAll, lcMessages, lang})
        if (v && *v) return LanguageOfLocale(v);
    return CLanguage::kEnglish;
}

CLanguage ResolveLanguage(std::string_view setting) {
    return ResolveLanguage(setting, std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}
