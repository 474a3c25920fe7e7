// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CHR.h"

// The record is complete in its header; this unit keeps the class's home in
// the build so its vtable is emitted once.
