// A reader of the XM files xm_writer writes (and of any FastTracker 2 module of format 0x0104):
// the order table, the patterns unpacked to cells, and each instrument's samples with their
// frames, loops and panning. Envelopes and keymaps are skipped: the measurements that read a
// module back (tools/music/soundtrack) only look at what plays and at the sample data.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/music/xm_writer.h"

namespace qx {

// Parses `file` into `module` (orders, channels, speed, tempo, patterns, instruments with their
// samples). Fails with a static cause on a truncated or malformed file.
bool ReadXm(const std::vector<uint8_t>& file, XmModule& module, const char*& failure);

}  // namespace qx
