// Small synthetic data for the tests: deterministic stand-ins for the 22 archive entries, each
// exactly its catalogue entry's decoded size and quick to make: simple gradients for the pictures
// and textures (grey levels 0 to 31 for back3, all-grey colour pictures, texture6 and texture8
// identical, a zero top byte in every 32-bit pixel) and a quiet XM soundtrack with the
// production's song shape.
#pragma once

#include <cstdint>
#include <vector>

namespace qx {

// The decoded contents of entry entryNumber (1 to 22); empty for any other number.
std::vector<uint8_t> MakePlaceholderEntry(uint32_t entryNumber);

// The placeholder soundtrack: 20 channels, 42 orders, speed 5 at 149 BPM from the start and
// speed 31 from order 37, padded with an unused silent sample to exactly kModuleSize bytes.
std::vector<uint8_t> MakePlaceholderSoundtrack();

// All 22 placeholder entries packed into one archive in catalogue order.
std::vector<uint8_t> MakePlaceholderArchive();

}  // namespace qx
