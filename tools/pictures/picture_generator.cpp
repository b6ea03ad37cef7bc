#include "tools/pictures/picture_generator.h"

#include <iterator>

#include "tools/pictures/picture_recipes.h"

namespace qx {

namespace {

// An entry made from one recipe and converted to its catalogue format.
template <auto Make, auto Convert>
bool Made(std::vector<uint8_t>& bytes, std::string&) {
    bytes = Convert(Make());
    return true;
}

// A lettered entry, converted when its lettering could be made.
template <auto Make, auto Convert>
bool Lettered(std::vector<uint8_t>& bytes, std::string& failure) {
    Plane grey;
    if (!Make(grey, failure)) return false;
    bytes = Convert(grey);
    return true;
}

std::vector<uint8_t> Colour(const ColourPlanes& planes) {
    return ColourWords(planes.red, planes.green, planes.blue);
}

using EntryRecipe = bool (*)(std::vector<uint8_t>& bytes, std::string& failure);

// In entry order from entry 1; the soundtrack (entry 21) is not a picture.
constexpr EntryRecipe kEntryRecipes[] = {
    Made<MakeCloudBackground, GreyBytes>,     // back1
    Made<MakeStreakBackground, GreyBytes>,    // back2
    Made<MakeDarkBackground, GreyBytes>,      // back3
    Lettered<MakeTextBackground, GreyBytes>,  // back4
    Made<MakeBarBackground, GreyBytes>,       // back5
    Made<MakeRedFlare, Colour>,               // flare
    Made<MakeStarFlare, GreyWords>,           // flarebbw
    Made<MakeLightSpot, GreyWords>,           // flarebmp
    Made<MakeBumpHeights, GreyWords>,         // picbump
    Made<MakeBumpHeights, GreyBytes>,         // picbump8
    Lettered<MakeLogoPicture, GreyWords>,     // piclogo
    Lettered<MakeTextStrips, GreyWords>,      // pictext
    Made<MakeContrastMarble, GreyWords>,      // texture1
    Made<MakeBrightSwirls, Colour>,           // texture2
    Made<MakeColourSwirl, Colour>,            // texture3
    Made<MakeSoftClouds, GreyWords>,          // texture5
    Made<MakeGreyMarble, GreyWords>,          // texture6
    Made<MakeMarbleDetail, GreyWords>,        // texture7
    Made<MakeGreyMarble, GreyWords>,          // texture8
    Lettered<MakeTitlePicture, GreyBytes>,    // title8
    nullptr,                                  // module
    Made<MakeTunnelMarble, GreyWords>,        // texture4
};

}  // namespace

bool MakePictureEntry(uint32_t entryNumber, std::vector<uint8_t>& bytes, std::string& failure) {
    if (entryNumber >= 1 && entryNumber <= std::size(kEntryRecipes) &&
        kEntryRecipes[entryNumber - 1] != nullptr)
        return kEntryRecipes[entryNumber - 1](bytes, failure);
    failure = "entry " + std::to_string(entryNumber) + " is not a picture or texture";
    return false;
}

}  // namespace qx
