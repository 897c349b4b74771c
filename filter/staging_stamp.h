// The staged copy's note of what it was copied from, kept in a note of the copy (an extended
// attribute), so that a run on an unchanged catalogue need not read both files to know they are
// the same.
#pragma once

#include <cstdint>

#include "platform/open_file.h"

namespace sorbel {

// Notes on the open `copy` that it holds the bytes of the file `source` describes, unless that
// file changed so shortly before `read_from` (when its reading began, in nanoseconds as
// FileState's times) that a later change could carry the same time of change. A copy that was
// not written by this run but compared with the source is passed as `copy_as_read`, its state
// before the comparison: then the note is written only if the copy is still exactly so, and
// was itself last changed well before `read_from`. A file system that keeps no notes keeps no
// note; that is no fault.
void WriteStagingStamp(OpenFile& copy, const FileState* copy_as_read, const FileState& source,
                       std::int64_t read_from);

// Whether the open `copy` carries a note for exactly `source` (same file, size and times of
// modification and change), made since the machine last started (a copy not yet on disk at a
// crash may be damaged), and is itself as it was when noted: same size and time of
// modification, and last changed (a time no one can set back) within two seconds of the note,
// which writing the note and putting the copy in place take.
bool StagingStampMatches(const OpenFile& copy, const FileState& source);

}  // namespace sorbel
