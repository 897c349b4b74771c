// The staging stamp: one line of numbers and the boot in the copy's note sorbel.source, written
// on the copy before it is put in place (an exchange of names keeps it) and compared.
#include "filter/staging_stamp.h"

#include <cinttypes>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/error.h"
#include "platform/process.h"

namespace sorbel {
namespace {

constexpr char kName[] = "sorbel.source";  // user.sorbel.source where notes are attributes
// A change within this long of the reading's start might share its time of change with the
// file as read: the clock that stamps files may tick only every few milliseconds, and a
// network file system's clock is not ours (a server clock more than this far behind, on a
// share that keeps whole seconds only, could still hide a change; such shares rarely keep
// extended attributes at all).
constexpr std::int64_t kRacyNanos = 2'000'000'000;

// The copy's state, or nothing when it cannot be looked at.
std::optional<FileState> StateOf(const OpenFile& file) {
  try {
    return file.State();
  } catch (const Error&) {
    return std::nullopt;
  }
}

// The stamp's text for `source` and the copy `copy`, noted at `noted` (nanoseconds): the
// version, then the numbers and the boot. False without a boot to name. The copy is put in
// place without waiting for the disk, so after a crash or a power loss it may be damaged: a
// stamp from an earlier boot is not trusted, and the next run compares the bytes.
bool Format(const FileState& source, const FileState& copy, std::int64_t noted, char (&out)[256]) {
  const std::string boot = BootId();
  if (boot.empty()) return false;
  const int n = std::snprintf(out, sizeof out,
                              "3 %s %" PRId64 " %" PRId64 " %" PRId64 " %" PRId64 " %" PRId64
                              " %" PRId64 " %s",
                              source.identity.Text().c_str(), source.size, source.modified,
                              source.changed, copy.size, copy.modified, noted, boot.c_str());
  return n > 0 && static_cast<std::size_t>(n) < sizeof out;
}
// The time a stamp's text was noted at: the number before the boot. -1 when there is none.
std::int64_t NotedAt(const std::string& text) {
  const std::size_t boot = text.rfind(' ');
  const std::size_t noted = boot == std::string::npos ? boot : text.rfind(' ', boot - 1);
  if (noted == std::string::npos) return -1;
  std::int64_t value = -1;
  return std::sscanf(text.c_str() + noted, " %" SCNd64, &value) == 1 ? value : -1;
}

}  // namespace

void WriteStagingStamp(OpenFile& copy_file, const FileState* copy_as_read, const FileState& source,
                       std::int64_t read_from) {
  if (source.changed > read_from - kRacyNanos) return;
  const std::optional<FileState> copy = StateOf(copy_file);
  char text[256];
  if (!copy || !Format(source, *copy, NanosNow(), text)) return;
  if (copy_as_read != nullptr &&
      (copy->size != copy_as_read->size || copy->modified != copy_as_read->modified ||
       copy->changed != copy_as_read->changed || copy->changed > read_from - kRacyNanos)) {
    return;
  }
  // Not everywhere possible (tmpfs of old kernels, FAT, some network shares): then every run
  // compares the bytes, as it would without a stamp.
  copy_file.WriteNote(kName, text);
}

bool StagingStampMatches(const OpenFile& copy_file, const FileState& source) {
  const std::optional<std::string> text = copy_file.ReadNote(kName);
  if (!text || text->empty()) return false;
  const std::int64_t noted = NotedAt(*text);
  const std::optional<FileState> copy = noted < 0 ? std::nullopt : StateOf(copy_file);
  char want[256];
  if (!copy || !Format(source, *copy, noted, want)) return false;
  // Size and time of modification can be set back after a change in place; the time of change
  // cannot. Noting the stamp and putting the copy in place change it too, right after.
  return *text == want && copy->changed >= noted - kRacyNanos &&
         copy->changed <= noted + kRacyNanos;
}

}  // namespace sorbel
