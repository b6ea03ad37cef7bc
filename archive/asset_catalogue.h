// The asset catalogue: the 22 entries of the appended archive, the static buffer each one is
// decoded into, and the two loading steps of start-up (the soundtrack first, the other entries
// after the display exists).
//
// The buffers live in one record, assetBuffers, named after the entries without their ".~"
// ending (assetBuffers.back1, ... assetBuffers.module). Each is zero at start and exactly as
// large as its entry's decoded size; they are read-only after loading, except that the effects
// precalculation smooths picbump8 and picbump and the title scenes darken title8 in place.
// Pictures and textures are in the formats of base/picture.h, stored little-endian in the
// entries (blue byte first).
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/picture.h"

namespace qx {

inline constexpr uint32_t kModuleSize = 1130844;  // bytes of the XM soundtrack

// The buffers of all entries, in one record.
struct AssetBuffers {
    uint8_t back1[kGreyPictureBytes]{};
    uint8_t back2[kGreyPictureBytes]{};
    uint8_t back3[kGreyPictureBytes]{};  // grey levels 0 to 31 only
    uint8_t back4[kGreyPictureBytes]{};
    uint8_t back5[kGreyPictureBytes]{};
    uint32_t flare[kTextureTexels]{};
    uint32_t flarebbw[kTextureTexels]{};
    uint32_t flarebmp[kTextureTexels]{};
    uint32_t picbump[kPicturePixels]{};     // all grey
    uint8_t picbump8[kGreyPictureBytes]{};  // picbump, one byte per pixel
    uint32_t piclogo[kPicturePixels]{};     // all grey
    uint32_t pictext[kPicturePixels]{};     // all grey
    uint32_t texture1[kTextureTexels]{};
    uint32_t texture2[kTextureTexels]{};
    uint32_t texture3[kTextureTexels]{};
    uint32_t texture5[kTextureTexels]{};
    uint32_t texture6[kTextureTexels]{};
    uint32_t texture7[kTextureTexels]{};
    uint32_t texture8[kTextureTexels]{};  // identical to texture6
    uint8_t title8[kGreyPictureBytes]{};
    uint8_t module[kModuleSize]{};  // the XM soundtrack
    uint32_t texture4[kTextureTexels]{};
};
extern AssetBuffers assetBuffers;

enum class AssetFormat : uint8_t { GreyPicture, ColourPicture, Texture, Module };

// One row per entry: the directory's name field, the decoded size and format, and where in
// assetBuffers its buffer lies (a byte offset, so that the tools read the same table without
// the buffers themselves).
struct CatalogueEntry {
    const char* name;
    uint32_t decodedSize;  // bytes, the size of the buffer
    AssetFormat format;
    uint32_t bufferOffset;  // bytes from the start of assetBuffers
};

inline constexpr uint32_t kCatalogueEntryCount = 22;
inline constexpr uint32_t kModuleEntry = 21;

// Entry k is kCatalogue[k - 1].
// clang-format off
inline constexpr CatalogueEntry kCatalogue[kCatalogueEntryCount] = {
    {"back1.~",    sizeof AssetBuffers::back1,    AssetFormat::GreyPicture,   offsetof(AssetBuffers, back1)},
    {"back2.~",    sizeof AssetBuffers::back2,    AssetFormat::GreyPicture,   offsetof(AssetBuffers, back2)},
    {"back3.~",    sizeof AssetBuffers::back3,    AssetFormat::GreyPicture,   offsetof(AssetBuffers, back3)},
    {"back4.~",    sizeof AssetBuffers::back4,    AssetFormat::GreyPicture,   offsetof(AssetBuffers, back4)},
    {"back5.~",    sizeof AssetBuffers::back5,    AssetFormat::GreyPicture,   offsetof(AssetBuffers, back5)},
    {"flare.~",    sizeof AssetBuffers::flare,    AssetFormat::Texture,       offsetof(AssetBuffers, flare)},
    {"flarebbw.~", sizeof AssetBuffers::flarebbw, AssetFormat::Texture,       offsetof(AssetBuffers, flarebbw)},
    {"flarebmp.~", sizeof AssetBuffers::flarebmp, AssetFormat::Texture,       offsetof(AssetBuffers, flarebmp)},
    {"picbump.~",  sizeof AssetBuffers::picbump,  AssetFormat::ColourPicture, offsetof(AssetBuffers, picbump)},
    {"picbump8.~", sizeof AssetBuffers::picbump8, AssetFormat::GreyPicture,   offsetof(AssetBuffers, picbump8)},
    {"piclogo.~",  sizeof AssetBuffers::piclogo,  AssetFormat::ColourPicture, offsetof(AssetBuffers, piclogo)},
    {"pictext.~",  sizeof AssetBuffers::pictext,  AssetFormat::ColourPicture, offsetof(AssetBuffers, pictext)},
    {"texture1.~", sizeof AssetBuffers::texture1, AssetFormat::Texture,       offsetof(AssetBuffers, texture1)},
    {"texture2.~", sizeof AssetBuffers::texture2, AssetFormat::Texture,       offsetof(AssetBuffers, texture2)},
    {"texture3.~", sizeof AssetBuffers::texture3, AssetFormat::Texture,       offsetof(AssetBuffers, texture3)},
    {"texture5.~", sizeof AssetBuffers::texture5, AssetFormat::Texture,       offsetof(AssetBuffers, texture5)},
    {"texture6.~", sizeof AssetBuffers::texture6, AssetFormat::Texture,       offsetof(AssetBuffers, texture6)},
    {"texture7.~", sizeof AssetBuffers::texture7, AssetFormat::Texture,       offsetof(AssetBuffers, texture7)},
    {"texture8.~", sizeof AssetBuffers::texture8, AssetFormat::Texture,       offsetof(AssetBuffers, texture8)},
    {"title8.~",   sizeof AssetBuffers::title8,   AssetFormat::GreyPicture,   offsetof(AssetBuffers, title8)},
    {"module.~",   sizeof AssetBuffers::module,   AssetFormat::Module,        offsetof(AssetBuffers, module)},
    {"texture4.~", sizeof AssetBuffers::texture4, AssetFormat::Texture,       offsetof(AssetBuffers, texture4)},
};
// clang-format on

// The decoded size every picture format has.
constexpr uint32_t FormatSize(AssetFormat format) {
    switch (format) {
        case AssetFormat::GreyPicture:
            return kGreyPictureBytes;
        case AssetFormat::ColourPicture:
            return kColourPictureBytes;
        case AssetFormat::Texture:
            return kTextureBytes;
        case AssetFormat::Module:
            return kModuleSize;
    }
    return 0;
}
constexpr bool CatalogueSizesMatchFormats() {
    for (const CatalogueEntry& entry : kCatalogue)
        if (entry.decodedSize != FormatSize(entry.format)) return false;
    return true;
}
static_assert(CatalogueSizesMatchFormats());

// The order in which the asset list decodes its entries.
inline constexpr uint32_t kAssetListOrder[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                               12, 13, 14, 15, 22, 16, 17, 18, 19, 20};

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
