// The one lock over a handle's file position, which a read at an offset moves on Windows: held
// while a read at an offset puts it back, or a copy takes it as its start, so no one sees it moved.
#pragma once

#include "platform/wait_lock.h"

namespace sorbel {

WaitLock& FilePositionLock();

}  // namespace sorbel
