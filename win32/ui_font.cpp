// EnumFontFamiliesExW with the Japanese character set tells which faces exist; the list after
// "MS UI Gothic" holds the Gothic faces of later Windows and of Wine's usual fonts.
#include "win32/ui_font.h"

#include "win32/twips.h"

namespace sorbel::win32 {

namespace {

constexpr const wchar_t* kFaces[] = {L"MS UI Gothic", L"Yu Gothic UI",     L"Meiryo UI",
                                     L"MS PGothic",   L"MS Gothic",        L"IPAPGothic",
                                     L"IPAGothic",    L"Noto Sans CJK JP", L"Source Han Sans JP",
                                     L"VL PGothic",   L"TakaoPGothic"};

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one is enough
}

bool HasFace(HDC dc, const wchar_t* face) {
  LOGFONTW wanted = {};
  wanted.lfCharSet = SHIFTJIS_CHARSET;
  wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  ::EnumFontFamiliesExW(dc, &wanted, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

}  // namespace

std::wstring JapaneseFace() {
  HDC dc = ::GetDC(nullptr);
  std::wstring face = kFaces[0];
  for (const wchar_t* candidate : kFaces) {
    if (HasFace(dc, candidate)) {
      face = candidate;
      break;
    }
  }
  ::ReleaseDC(nullptr, dc);
  // None found: the named face all the same; the font mapper picks a Japanese one for the
  // character set.
  return face;
}

Font MakeFont(const std::wstring& face, double points, unsigned dpi, bool bold) {
  LOGFONTW font = {};
  font.lfHeight = -Twips(dpi).FontPixels(points);
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfCharSet = SHIFTJIS_CHARSET;
  font.lfQuality = CLEARTYPE_QUALITY;
  wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return Font(::CreateFontIndirectW(&font));
}

}  // namespace sorbel::win32
