// The asset catalogue: the 22 entries of the appended archive, the static buffer each one is
// decoded into, and the two loading steps of start-up (the soundtrack first, the other entries
// after the display exists).
//
// The buffers live in one record, assetBuffers, named after the entries without their ".~"
// ending (assetBuffers.back1, ... assetBuffers.module). Each is zero at start and exactly as
// large as its entry's decoded size; they are read-only after loading, except that the effects
// precalculation smooths picbump8 and picbump and the title scenes darken title8 in place.
// Pictures and textures are 32-bit words 0x00RRGGBB (stored little-endian in the entries, blue
// byte first); grey pictures one byte per pixel; all in rows, top row first.
#pragma once

#include <cstdint>

namespace qx {

inline constexpr uint32_t kGreyPictureSize = 320 * 200;      // bytes
inline constexpr uint32_t kColourPicturePixels = 320 * 200;  // 32-bit words
inline constexpr uint32_t kTexturePixels = 256 * 256;        // 32-bit words; texel v * 256 + u
inline constexpr uint32_t kModuleSize = 1130844;             // bytes of the XM soundtrack

enum class AssetFormat : uint8_t { GreyPicture, ColourPicture, Texture, Module };

struct CatalogueEntry {
    const char* name;      // the directory's name field
    uint32_t decodedSize;  // bytes
    AssetFormat format;
};

inline constexpr uint32_t kCatalogueEntryCount = 22;
inline constexpr uint32_t kModuleEntry = 21;

// Entry k is kCatalogue[k - 1].
inline constexpr CatalogueEntry kCatalogue[kCatalogueEntryCount] = {
    {"back1.~", kGreyPictureSize, AssetFormat::GreyPicture},
    {"back2.~", kGreyPictureSize, AssetFormat::GreyPicture},
    {"back3.~", kGreyPictureSize, AssetFormat::GreyPicture},
    {"back4.~", kGreyPictureSize, AssetFormat::GreyPicture},
    {"back5.~", kGreyPictureSize, AssetFormat::GreyPicture},
    {"flare.~", kTexturePixels * 4, AssetFormat::Texture},
    {"flarebbw.~", kTexturePixels * 4, AssetFormat::Texture},
    {"flarebmp.~", kTexturePixels * 4, AssetFormat::Texture},
    {"picbump.~", kColourPicturePixels * 4, AssetFormat::ColourPicture},
    {"picbump8.~", kGreyPictureSize, AssetFormat::GreyPicture},
    {"piclogo.~", kColourPicturePixels * 4, AssetFormat::ColourPicture},
    {"pictext.~", kColourPicturePixels * 4, AssetFormat::ColourPicture},
    {"texture1.~", kTexturePixels * 4, AssetFormat::Texture},
    {"texture2.~", kTexturePixels * 4, AssetFormat::Texture},
    {"texture3.~", kTexturePixels * 4, AssetFormat::Texture},
    {"texture5.~", kTexturePixels * 4, AssetFormat::Texture},
    {"texture6.~", kTexturePixels * 4, AssetFormat::Texture},
    {"texture7.~", kTexturePixels * 4, AssetFormat::Texture},
    {"texture8.~", kTexturePixels * 4, AssetFormat::Texture},
    {"title8.~", kGreyPictureSize, AssetFormat::GreyPicture},
    {"module.~", kModuleSize, AssetFormat::Module},
    {"texture4.~", kTexturePixels * 4, AssetFormat::Texture},
};

// The order in which the asset list decodes its entries.
inline constexpr uint32_t kAssetListOrder[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                               12, 13, 14, 15, 22, 16, 17, 18, 19, 20};

struct AssetBuffers {
    uint8_t back1[kGreyPictureSize]{};
    uint8_t back2[kGreyPictureSize]{};
    uint8_t back3[kGreyPictureSize]{};  // grey levels 0 to 31 only
    uint8_t back4[kGreyPictureSize]{};
    uint8_t back5[kGreyPictureSize]{};
    uint32_t flare[kTexturePixels]{};
    uint32_t flarebbw[kTexturePixels]{};
    uint32_t flarebmp[kTexturePixels]{};
    uint32_t picbump[kColourPicturePixels]{};  // all grey
    uint8_t picbump8[kGreyPictureSize]{};      // picbump, one byte per pixel
    uint32_t piclogo[kColourPicturePixels]{};  // all grey
    uint32_t pictext[kColourPicturePixels]{};  // all grey
    uint32_t texture1[kTexturePixels]{};
    uint32_t texture2[kTexturePixels]{};
    uint32_t texture3[kTexturePixels]{};
    uint32_t texture5[kTexturePixels]{};
    uint32_t texture6[kTexturePixels]{};
    uint32_t texture7[kTexturePixels]{};
    uint32_t texture8[kTexturePixels]{};  // identical to texture6
    uint8_t title8[kGreyPictureSize]{};
    uint8_t module[kModuleSize]{};  // the XM soundtrack
    uint32_t texture4[kTexturePixels]{};
};
extern AssetBuffers assetBuffers;

// The buffer of entry entryNumber (1 to 22) as bytes, and its size; {nullptr, 0} for any other
// number.
struct EntryBuffer {
    uint8_t* bytes = nullptr;
    uint32_t size = 0;
};
EntryBuffer CatalogueBuffer(uint32_t entryNumber);

// Music load: opens the archive, decodes entry 21 into assetBuffers.module, closes it.
// Asset list: opens the archive again and decodes the other 21 entries in kAssetListOrder.
// A missing or damaged archive, or an entry that does not decode into its buffer, fails with
// error code 9 and a cause naming the entry and the fault.
bool LoadMusicEntry();
bool LoadAssetList();

}  // namespace qx
