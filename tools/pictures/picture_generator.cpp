#include "tools/pictures/picture_generator.h"

#include "tools/pictures/picture_recipes.h"

namespace qx {

namespace {

// Entry numbers of the catalogue.
enum Entry : uint32_t {
    kBack1 = 1,
    kBack2,
    kBack3,
    kBack4,
    kBack5,
    kFlare,
    kFlareBbw,
    kFlareBmp,
    kPicBump,
    kPicBump8,
    kPicLogo,
    kPicText,
    kTexture1,
    kTexture2,
    kTexture3,
    kTexture5,
    kTexture6,
    kTexture7,
    kTexture8,
    kTitle8,
    kModule,
    kTexture4,
};

// A lettered grey plane, converted by `convert` when it could be made.
template <typename Make, typename Convert>
bool Lettered(Make make, Convert convert, std::vector<uint8_t>& bytes, std::string& failure) {
    Plane grey;
    if (!make(grey, failure)) return false;
    bytes = convert(grey);
    return true;
}

std::vector<uint8_t> Colour(const ColourPlanes& planes) {
    return ColourWords(planes.red, planes.green, planes.blue);
}

}  // namespace

bool MakePictureEntry(uint32_t entryNumber, std::vector<uint8_t>& bytes, std::string& failure) {
    switch (entryNumber) {
        case kBack1:
            bytes = GreyBytes(MakeCloudBackground());
            return true;
        case kBack2:
            bytes = GreyBytes(MakeStreakBackground());
            return true;
        case kBack3:
            bytes = GreyBytes(MakeDarkBackground());
            return true;
        case kBack4:
            return Lettered(MakeTextBackground, GreyBytes, bytes, failure);
        case kBack5:
            bytes = GreyBytes(MakeBarBackground());
            return true;
        case kFlare:
            bytes = Colour(MakeRedFlare());
            return true;
        case kFlareBbw:
            bytes = GreyWords(MakeStarFlare());
            return true;
        case kFlareBmp:
            bytes = GreyWords(MakeLightSpot());
            return true;
        case kPicBump:
            bytes = GreyWords(MakeBumpHeights());
            return true;
        case kPicBump8:
            bytes = GreyBytes(MakeBumpHeights());
            return true;
        case kPicLogo:
            return Lettered(MakeLogoPicture, GreyWords, bytes, failure);
        case kPicText:
            return Lettered(MakeTextStrips, GreyWords, bytes, failure);
        case kTexture1:
            bytes = GreyWords(MakeContrastMarble());
            return true;
        case kTexture2:
            bytes = Colour(MakeBrightSwirls());
            return true;
        case kTexture3:
            bytes = Colour(MakeColourSwirl());
            return true;
        case kTexture4:
            bytes = GreyWords(MakeTunnelMarble());
            return true;
        case kTexture5:
            bytes = GreyWords(MakeSoftClouds());
            return true;
        case kTexture6:
        case kTexture8:
            bytes = GreyWords(MakeGreyMarble());
            return true;
        case kTexture7:
            bytes = GreyWords(MakeMarbleDetail());
            return true;
        case kTitle8:
            return Lettered(MakeTitlePicture, GreyBytes, bytes, failure);
        default:
            break;
    }
    failure = "entry " + std::to_string(entryNumber) + " is not a picture or texture";
    return false;
}

}  // namespace qx
