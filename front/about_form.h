// The About box as designed, for every front end to build from: its texts, the support page's
// address, and the place of every control in twips.
#pragma once

#include <string>

#include "front/main_form.h"

namespace sorbel {

// The maker's support page, opened by the box's wide button; a build setting
// (-DSORBEL_SUPPORT_URL=..., see README.md).
inline constexpr char kSupportPageUrl[] = SORBEL_SUPPORT_URL;

inline constexpr char kAboutFamily[] = "ポルミナドロップシッピング　便利ツール";
inline constexpr char kAboutTitleLabel[] = "製品名：";
inline constexpr char kAboutVersionLabel[] = "バージョン：";
inline constexpr char kAboutUrlButton[] = "サポートページ";
inline constexpr char kAboutOkButton[] = "OK";

inline constexpr double kAboutPoints = 9.75;
inline constexpr double kAboutFamilyPoints = 15.75;

inline constexpr int kAboutWidth = 6255;
inline constexpr int kAboutHeight = 2895;
inline constexpr TwipsRect kAboutFraButton = {240, 2280, 5775, 375};
inline constexpr TwipsRect kAboutCmdUrl = {0, 0, 4335, 375};  // on fraButton
inline constexpr TwipsRect kAboutCmdOk = {4560, 0, 1215, 375};
inline constexpr TwipsRect kAboutTxtVersion = {1560, 1680, 4455, 285};
inline constexpr TwipsRect kAboutTxtSeihinmei = {1560, 1200, 4455, 285};
inline constexpr TwipsRect kAboutLabel1 = {240, 1680, 1095, 255};
inline constexpr TwipsRect kAboutLblSeihinmei = {240, 1200, 1095, 255};
inline constexpr TwipsRect kAboutLblProject = {1080, 360, 4815, 375};
inline constexpr TwipsRect kAboutImage1 = {240, 240, 480, 480};
inline constexpr int kAboutLineTop = 960;  // lineGray, from x 0 to x 6240
inline constexpr int kAboutLineRight = 6240;

// What the box says when no browser takes the support page: where to go by hand.
inline std::string SupportPageNotOpened() {
  return std::string(
             "サポートページを開けませんでした。ブラウザーで次のアドレスを開いてください。\n") +
         kSupportPageUrl;
}

}  // namespace sorbel
