// The music binding: the sound module that plays the soundtrack and reports the music position,
// (order mod 256) x 256 + row, the production's clock for scene changes.
#pragma once

#include <cstdint>

namespace qx {

inline constexpr uint32_t kMusicKindModule = 0x584D;  // 'X','M'

bool MusicInit(uint32_t musicKind, void* window);  // fails with error code 6
bool MusicLoadMemory(const uint8_t* song, uint32_t length);  // fails with error code 6
void MusicPlay();
void MusicStop();
uint32_t MusicPosition();  // 0 without a sound module
void MusicShutdown();

}  // namespace qx
