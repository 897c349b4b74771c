// The main window as designed, for every front end to build from: its lists, captions, colours
// and the place of every control in twips (1/1440 inch, 15 to a pixel at 96 dpi).
#pragma once

#include <array>
#include <cmath>

namespace sorbel {

struct TwipsRect {
  int left, top, width, height;
};

struct Rgb {
  int red, green, blue;
};

// The lists, in their order; the duplicates are the service's own and stay.
inline constexpr std::array<const char*, 11> kCategoryEntries = {
    "（指定なし）",     "ファッション",       "家電",
    "ダイエット・健康", "ホビー・エトセトラ", "生活雑貨",
    "AV・デジモノ",     "ホビー・エトセトラ", "スポーツ・レジャー",
    "生活雑貨",         "ホビー・エトセトラ"};
inline constexpr std::array<const char*, 3> kBundlingEntries = {"（指定なし）", "○", "×"};

// Menus ("&" marks the access key) and buttons.
inline constexpr char kMenuFile[] = "ファイル(&F)";
inline constexpr char kMenuFileExec[] = "絞り込み";  // F5
inline constexpr char kMenuFileEnd[] = "終了(&X)";
inline constexpr char kMenuHelp[] = "ヘルプ(&H)";
inline constexpr char kMenuHelpVersion[] = "バージョン情報(&V)";
inline constexpr char kCaptionView[] = "参照";
inline constexpr char kCaptionExec[] = "絞り込み";
inline constexpr char kCaptionEnd[] = "終了";
inline constexpr std::array<const char*, 2> kCaptionKessan = {"クレジットカード可能",
                                                              "代金引換可能"};
inline constexpr char kCaptionSouryou[] = "送料無料のみ";
inline constexpr char kCaptionKakaku2[] = "～";

inline constexpr Rgb kWindowColour = {170, 170, 255};  // light blue, the label cells too
inline constexpr Rgb kPanelColour = {255, 255, 255};
inline constexpr Rgb kRuleColour = {204, 204, 255};

// The font's sizes in points: the window's, and the "～" between the price boxes.
inline constexpr double kFontPoints = 12;
inline constexpr double kKakaku2Points = 9.75;

// The window's client area with the status bar, the status bar along its bottom, the white
// panel (its left edge recomputed on every resize) and the banner on it.
inline constexpr int kClientWidth = 11955;
inline constexpr int kClientHeight = 9825;
inline constexpr int kStatusBarHeight = 435;
inline constexpr TwipsRect kFraMain = {420, 0, 11115, 9075};
inline constexpr TwipsRect kImage1 = {300, 120, 10500, 1500};

// The label cells of the table, on the panel: white text centred on light blue.
struct LabelCell {
  const char* name;
  const char* caption;
  TwipsRect place;
};
inline constexpr std::array<LabelCell, 8> kLabelCells = {{
    {"Label1", "ＣＳＶファイル", {285, 2100, 2250, 720}},
    {"lblShohinmei", "商品名", {300, 2820, 2235, 735}},
    {"lblCategory", "カテゴリー名", {300, 3540, 2235, 735}},
    {"lblTag", "タグ", {300, 4260, 2235, 735}},
    {"lblKakaku", "最低販売価格", {300, 4980, 2235, 735}},
    {"lblDoukon", "同梱可能", {300, 5700, 2235, 735}},
    {"lblKessan", "決算方法", {300, 6420, 2235, 735}},
    {"lblSouryou", "送料無料", {300, 7140, 2235, 735}},
}};

// The table's rules: `pixels` wide (at 96 dpi), centred on the line from (x1, y1) to (x2, y2).
struct TableRule {
  const char* name;
  int pixels;
  int x1, y1, x2, y2;
};
inline constexpr std::array<TableRule, 12> kTableRules = {{
    {"Line1", 3, 300, 2100, 10800, 2100},
    {"Line2", 3, 300, 7860, 10800, 7860},
    {"Line3", 3, 300, 2100, 300, 7860},
    {"Line4", 3, 10800, 2100, 10800, 7860},
    {"Line6", 2, 2520, 2100, 2520, 7860},
    {"Line5", 2, 300, 2820, 10800, 2820},
    {"Line7", 2, 300, 3540, 10800, 3540},
    {"Line8", 2, 300, 4260, 10800, 4260},
    {"Line9", 2, 300, 4980, 10800, 4980},
    {"Line10", 2, 300, 5700, 10800, 5700},
    {"Line11", 2, 300, 6420, 10800, 6420},
    {"Line12", 2, 300, 7140, 10800, 7140},
}};

// The inputs, on the panel; the buttons on fraButton.
inline constexpr TwipsRect kTxtCsvPath = {2820, 2280, 6675, 405};
inline constexpr TwipsRect kCmdView = {9540, 2280, 975, 375};
inline constexpr TwipsRect kTxtShohinmei = {2820, 3000, 3975, 405};
inline constexpr TwipsRect kCboCategory = {2820, 3720, 2295, 360};
inline constexpr TwipsRect kTxtTag = {2820, 4440, 3975, 405};
inline constexpr TwipsRect kTxtKakakuStart = {2820, 5160, 1455, 405};
inline constexpr TwipsRect kLblKakaku2 = {4380, 5280, 375, 135};
inline constexpr TwipsRect kTxtKakakuEnd = {4860, 5160, 1455, 405};
inline constexpr TwipsRect kCboDoukon = {2820, 5880, 1575, 360};
inline constexpr std::array<TwipsRect, 2> kChkKessan = {
    {{2820, 6660, 2655, 255}, {5880, 6660, 2655, 255}}};
inline constexpr TwipsRect kChkSouryou = {2820, 7380, 2655, 255};
inline constexpr TwipsRect kFraButton = {300, 8160, 3135, 615};
inline constexpr TwipsRect kCmdExec = {0, 0, 1515, 615};
inline constexpr TwipsRect kCmdEnd = {1620, 0, 1515, 615};

// The panel's left edge in a client area, both widths in the same unit: centred, negative when
// the area is narrower than the panel (both sides are cut alike).
inline int CentredLeft(int client_width, int panel_width) {
  return static_cast<int>(std::floor((client_width - panel_width) / 2.0));
}

}  // namespace sorbel
