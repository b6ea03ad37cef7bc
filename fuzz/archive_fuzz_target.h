// The body of the archive fuzz target, shared by the libFuzzer program and the test that replays
// the corpus: one input stands for a program file with an appended archive and, at the same
// time, for a compressed block in memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx {

// Opens the input as an archive and decodes every entry whose output fits the fuzz buffers,
// through LoadEntry and, from the entry's raw bytes, through the reference decoder; then decodes
// the whole input as a block in memory with both decoders. Traps when the two decoders disagree
// in result, output or bytes used.
void RunArchiveFuzzInput(const uint8_t* data, size_t size);

}  // namespace qx
