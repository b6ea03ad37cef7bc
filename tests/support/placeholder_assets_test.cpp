#include "tests/support/placeholder_assets.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "archive/asset_catalogue.h"

namespace qx::test {
namespace {

uint32_t WordAt(const std::vector<uint8_t>& bytes, size_t pixel) {
    return ReadU32(bytes.data() + 4 * pixel);
}

TEST(PlaceholderAssets, EveryEntryHasItsCatalogueSizeAndFormat) {
    std::vector<std::vector<uint8_t>> entries(kCatalogueEntryCount + 1);
    for (uint32_t k = 1; k <= kCatalogueEntryCount; ++k) {
        entries[k] = MakePlaceholderEntry(k);
        const CatalogueEntry& entry = kCatalogue[k - 1];
        ASSERT_EQ(entries[k].size(), entry.decodedSize) << entry.name;
        if (entry.format == AssetFormat::Texture || entry.format == AssetFormat::ColourPicture) {
            for (size_t p = 0; p < entries[k].size() / 4; ++p)
                ASSERT_EQ(WordAt(entries[k], p) >> 24, 0u) << entry.name << " pixel " << p;
        }
        if (entry.format == AssetFormat::ColourPicture) {  // all grey
            for (size_t p = 0; p < entries[k].size() / 4; ++p)
                ASSERT_EQ(WordAt(entries[k], p), (WordAt(entries[k], p) & 0xFF) * 0x010101u);
        }
    }
    EXPECT_EQ(entries[17], entries[19]);  // texture8 repeats texture6
    EXPECT_NE(entries[17], entries[18]);
    EXPECT_LE(*std::max_element(entries[3].begin(), entries[3].end()), 31);  // back3
    for (size_t p = 0; p < kGreyPictureBytes; ++p)  // picbump8 is picbump, one byte per pixel
        ASSERT_EQ(entries[10][p], entries[9][4 * p]);
    EXPECT_TRUE(MakePlaceholderEntry(0).empty());
    EXPECT_TRUE(MakePlaceholderEntry(23).empty());
}

// The soundtrack as a player sees it: libopenmpt loads it and reports the song shape the
// timeline relies on, and it plays something, quietly.
class PlaceholderSoundtrack : public ::testing::Test {
protected:
    std::vector<uint8_t> song = MakePlaceholderSoundtrack();
    openmpt_module* module = nullptr;
    void SetUp() override {
        int error = 0;
        module = openmpt_module_create_from_memory2(song.data(), song.size(), nullptr, nullptr,
                                                    nullptr, nullptr, &error, nullptr, nullptr);
        ASSERT_NE(module, nullptr) << "libopenmpt error " << error;
    }
    void TearDown() override {
        if (module != nullptr) openmpt_module_destroy(module);
    }
    // Renders seconds of sound from the current position; returns the peak level (0..32767).
    int Render(double seconds) {
        std::vector<int16_t> samples(static_cast<size_t>(48000 * seconds));
        openmpt_module_read_mono(module, 48000, samples.size(), samples.data());
        int peak = 0;
        for (const int16_t sample : samples)
            peak = std::max(peak, std::abs(static_cast<int>(sample)));
        return peak;
    }
};

TEST_F(PlaceholderSoundtrack, HasTheProductionSongShape) {
    EXPECT_EQ(song.size(), 1130844u);
    EXPECT_EQ(std::string(song.begin(), song.begin() + 17), "Extended Module: ");
    EXPECT_EQ(openmpt_module_get_num_channels(module), 20);
    EXPECT_EQ(openmpt_module_get_num_orders(module), 42);
    const int peak = Render(2.0);
    EXPECT_EQ(openmpt_module_get_current_speed(module), 5);
    EXPECT_EQ(openmpt_module_get_current_tempo(module), 149);
    EXPECT_GT(peak, 200);    // audible
    EXPECT_LT(peak, 16384);  // at most half scale
    openmpt_module_set_position_order_row(module, 36, 63);
    Render(0.05);
    EXPECT_EQ(openmpt_module_get_current_speed(module), 5);
    openmpt_module_set_position_order_row(module, 37, 0);
    Render(0.05);
    EXPECT_EQ(openmpt_module_get_current_order(module), 37);
    EXPECT_EQ(openmpt_module_get_current_speed(module), 31);
    EXPECT_EQ(openmpt_module_get_current_tempo(module), 149);
}

}  // namespace
}  // namespace qx::test
