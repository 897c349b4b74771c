// sorbel_make_icon: writes the program icon, as MakeProgramIcon draws it at 16, 32 and 48
// pixels, into an .ico file for sorbel.exe's resources (run under Wine at build time).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "win32/program_icon.h"

namespace {

// One image of the file: a 32-bit bitmap (alpha from the mask) and the mask, bottom-up.
std::vector<std::uint8_t> IconImage(int size) {
  HICON icon = sorbel::win32::MakeProgramIcon(size);
  ICONINFO info = {};
  ::GetIconInfo(icon, &info);
  HDC dc = ::CreateCompatibleDC(nullptr);
  BITMAPINFO colour_format = {};
  colour_format.bmiHeader = {sizeof(BITMAPINFOHEADER), size, size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<std::uint32_t> pixels(static_cast<size_t>(size) * size);
  ::GetDIBits(dc, info.hbmColor, 0, size, pixels.data(), &colour_format, DIB_RGB_COLORS);
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
  } mask_format = {{sizeof(BITMAPINFOHEADER), size, size, 1, 1, BI_RGB, 0, 0, 0, 0, 0}, {}};
  const int mask_row = ((size + 31) / 32) * 4;
  std::vector<std::uint8_t> mask(static_cast<size_t>(mask_row) * size);
  ::GetDIBits(dc, info.hbmMask, 0, size, mask.data(), reinterpret_cast<BITMAPINFO*>(&mask_format),
              DIB_RGB_COLORS);
  ::DeleteDC(dc);
  ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  ::DestroyIcon(icon);

  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const bool clear = mask[y * mask_row + x / 8] & (0x80 >> (x % 8));
      std::uint32_t& p = pixels[static_cast<size_t>(y) * size + x];
      p = clear ? 0 : (p | 0xFF000000u);
    }
  }
  BITMAPINFOHEADER header = {sizeof header, size, size * 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<std::uint8_t> image(sizeof header);
  std::copy_n(reinterpret_cast<const std::uint8_t*>(&header), sizeof header, image.begin());
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(pixels.data());
  image.insert(image.end(), bytes, bytes + pixels.size() * 4);
  image.insert(image.end(), mask.begin(), mask.end());
  return image;
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<std::uint8_t>& out, unsigned v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: sorbel_make_icon out.ico\n", stderr);
    return 2;
  }
  const int sizes[] = {16, 32, 48};
  std::vector<std::vector<std::uint8_t>> images;
  for (int size : sizes) images.push_back(IconImage(size));
  std::vector<std::uint8_t> file;
  Put16(file, 0);
  Put16(file, 1);  // an icon
  Put16(file, static_cast<unsigned>(images.size()));
  unsigned offset = 6 + 16 * static_cast<unsigned>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    file.push_back(static_cast<std::uint8_t>(sizes[i]));
    file.push_back(static_cast<std::uint8_t>(sizes[i]));
    file.push_back(0);  // no palette
    file.push_back(0);
    Put16(file, 1);   // planes
    Put16(file, 32);  // bits per pixel
    Put32(file, static_cast<unsigned>(images[i].size()));
    Put32(file, offset);
    offset += static_cast<unsigned>(images[i].size());
  }
  for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());
  FILE* out = _wfopen(argv[1], L"wb");
  if (!out) return 1;
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  return std::fclose(out) == 0 && written ? 0 : 1;
}
