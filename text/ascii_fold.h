// The fold of plain ASCII text, which every system's folding gives alike: capitals lowered.
// The ports' folders take this path for most catalogue text and their own only for the rest.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sorbel {

// `text` itself, or `scratch` with its capitals lowered; nothing when `text` is not ASCII.
inline std::optional<std::string_view> FoldAscii(std::string_view text, std::string& scratch) {
  bool capitals = false;
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
    capitals = capitals || (c >= 'A' && c <= 'Z');
  }
  if (!capitals) return text;
  scratch.assign(text);
  for (char& c : scratch) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return std::string_view(scratch);
}

}  // namespace sorbel
