// The production's pictures and textures, archive entries 1 to 20 and 22, generated from
// procedural patterns and lettering. Each entry comes out in its catalogue format (grey picture
// 64,000 bytes; colour picture 256,000 bytes and texture 262,144 bytes of 0x00RRGGBB words,
// blue byte first, top byte 0); the same build always makes the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qx {

// The lines of text of pictext, one centred in each band of rows that a scene copies as a
// strip; every other row is black.
struct TextBand {
    int firstRow;
    int rowCount;
    const char* text;
};
inline constexpr TextBand kTextBands[] = {
    {0, 20, "Marrowtide 2k - Tamberlinoth"},        // string web, upper strip
    {20, 24, "greetings to the whole demo scene"},  // string web, lower strip
    {95, 17, "light runs over old stone"},          // bump
    {112, 25, "down the marrow tunnel"},            // tunnel
    {137, 17, "two of a kind"},                     // twins
    {154, 25, "riding the tide"},                   // wave
};

// The decoded bytes of entry entryNumber (1 to 20 or 22). Fails, with the cause in failure, for
// any other number or when the lettering's fonts cannot be used.
bool MakePictureEntry(uint32_t entryNumber, std::vector<uint8_t>& bytes, std::string& failure);

}  // namespace qx
