// The banner across the top of the main window's panel: the title in large white full-width
// letters on a rounded band shaded from lavender to pale blue.
#pragma once

#include "win32/windows_api.h"

#include <string>

namespace sorbel::win32 {

// "Sorbel" -> "Ｓｏｒｂｅｌ": printable ASCII as its full-width twin, a blank as U+3000.
std::wstring FullWidth(const std::wstring& title);

// Paints the banner into `place` of `dc` with the Japanese face `face`.
void DrawBanner(HDC dc, const RECT& place, const std::wstring& title, const std::wstring& face);

}  // namespace sorbel::win32
