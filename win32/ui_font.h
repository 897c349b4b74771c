// The windows' Japanese Gothic font at a size in points: "MS UI Gothic" with the Japanese
// character set, or the first Japanese Gothic face the system has when it lacks that one.
#pragma once

#include "win32/windows_api.h"

#include <memory>
#include <string>

namespace sorbel::win32 {

struct FontDeleter {
  void operator()(HFONT font) const { ::DeleteObject(font); }
};
using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// The face the windows use, looked up once per call among the installed families.
std::wstring JapaneseFace();

// The face at `points` for a window of `dpi`; bold when asked.
Font MakeFont(const std::wstring& face, double points, unsigned dpi, bool bold = false);

}  // namespace sorbel::win32
