// Photosensitivity analysis of a sequence of pictures, after the general-flash and red-flash
// thresholds of WCAG 2.3.1:
//
// - Relative luminance per pixel from sRGB (Y = 0.2126 R + 0.7152 G + 0.0722 B of the linearised
//   channels), averaged over blocks of 8 x 8 picture pixels. Grain (a different level in every
//   pixel), the one-to-three-row dim bands and the one-pixel scratches are far finer than a block
//   and so change a block's mean only a little: they are noise, not flashes (the guideline's
//   exception for fine, balanced patterns).
// - A block makes a general transition when its luminance has moved by at least 0.1 away from
//   its last turning point, the darker of the two states below 0.8; a red transition when its
//   redness (its distance from the white point in the CIE 1976 u'v' diagram while it is a
//   saturated red, R / (R + G + B) >= 0.8 of the linear channels, else 0) has moved by more than
//   0.2 away from its last turning point. Moves smaller than that never turn the block, so slow
//   fades count as one transition and jitter below the threshold as none.
// - Flashes count where they are concurrent. A field makes a transition when at least a quarter
//   of its blocks have made a transition the same way (up or down) within the last tenth of a
//   second, and the field's previous transition was the other way; a block counts for one field
//   transition only. Motion, which brightens some blocks while it darkens others at any moment,
//   and local flicker out of step with itself do not add up to a field's transitions.
// - A flash is a pair of opposing transitions: a field's flashes in a second are half its
//   transitions within the last second (floor).
// - The 10-degree field is a third of the displayed width by a third of the displayed height of a
//   4:3 screen that the picture fills across (341 x 256 of 1024 x 768): 13 x 8 blocks for the 4:3
//   picture, 13 x 10 with square pixels (the 16:10 picture is shown 1:1 and so is lower than the
//   screen). Fields are placed at every block.
// - A window of one second fails when some field flashed more than three times (general or red).
//   The window's figure is the most flashes of a field, with the smallest share of the field over
//   which its transitions in the window happened.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

namespace qx {

inline constexpr uint32_t kFlashBlockSize = 8;  // picture pixels a block side
// A block's value leaves out its darkest columns and then its darkest rows: a scratch is a
// column, a dim band one to three rows.
inline constexpr uint32_t kFlashMarkColumns = 2;
inline constexpr uint32_t kFlashMarkRows = 3;
inline constexpr uint32_t kFlashFieldBlocksAcross = 13;
inline constexpr uint32_t kFlashFieldBlocksDown = 8;         // 4:3 picture
inline constexpr uint32_t kFlashFieldBlocksDownSquare = 10;  // square pixels
inline constexpr double kFlashLuminanceStep = 0.1;           // relative luminance of a transition
inline constexpr double kFlashDarkerBelow = 0.8;     // the darker state of a transition is below
inline constexpr double kRedChromaticityStep = 0.2;  // u'v' distance of a red transition
inline constexpr double kSaturatedRedShare = 0.8;    // R / (R + G + B) of a saturated red
inline constexpr uint32_t kMaxFlashesPerSecond = 3;  // more fails
// Block transitions within this share of a second count as concurrent.
inline constexpr uint32_t kFlashConcurrencyDivisor = 10;

struct FlashWindow {
    uint32_t flashes = 0;  // the most flashes in the last second over a quarter of some field
    uint32_t percent = 0;  // the share of that field (0..100) that flashed that often
    bool red = false;      // the figure is of red flashes
    bool Fails() const { return flashes > kMaxFlashesPerSecond; }
    // More flashes, or as many over a larger share of the field.
    bool WorseThan(const FlashWindow& other) const {
        return flashes > other.flashes || (flashes == other.flashes && percent > other.percent);
    }
};

class FlashAnalyser {
public:
    // Pictures of width x height 0x00RRGGBB pixels (whole blocks only: the rest is ignored),
    // framesPerSecond of them a second (at least 1).
    FlashAnalyser(uint32_t width, uint32_t height, uint32_t framesPerSecond, bool squarePixels);

    // The next picture; the figure of the second that ends with it.
    FlashWindow AddPicture(const uint32_t* pixels);

private:
    struct Tracker {               // one block's transitions of one kind
        double turn = 0;           // the value at the last turning point
        int8_t direction = 0;      // +1 rising since then, -1 falling, 0 not turned yet
        double low = 0, high = 0;  // before the first turn: the extremes so far
        bool started = false;
    };
    struct Kind {  // the trackers, blocks and fields of the general or the red rule
        std::vector<Tracker> trackers;           // per block
        std::vector<uint64_t> lastUp, lastDown;  // per block: picture number + 1, 0 never
        std::vector<int8_t> fieldDirection;      // per field: its last transition's way
        // per field: its transitions in the last second, (picture number + 1, share in %)
        std::vector<std::deque<std::pair<uint64_t, uint8_t>>> fieldTransitions;
    };
    // +1 or -1 when the value makes a transition that way, else 0; `darkerLimit` < 0: no limit
    // on the darker state.
    static int Track(Tracker& tracker, double value, double step, double darkerLimit);
    void MeasureBlocks(const uint32_t* pixels);
    // Blocks whose last transition (of `last`) came after picture `recent`, summed over the
    // rectangles from the origin; and such a sum over the field at (x, y).
    void SumRecent(const std::vector<uint64_t>& last, uint64_t recent,
                   std::vector<uint32_t>& sums) const;
    uint32_t SumInField(const std::vector<uint32_t>& sums, uint32_t x, uint32_t y) const;
    // The kind's block transitions of this picture, its fields' transitions and the worst field.
    FlashWindow Step(Kind& kind, const std::vector<double>& values, double step,
                     double darkerLimit);

    uint32_t width_, blocksAcross_, blocksDown_, fieldAcross_, fieldDown_, window_, concurrent_;
    uint32_t fieldsAcross_, fieldsDown_, quarter_;
    std::vector<double> luminance_, redness_;  // per block, this picture
    // Each channel value's share of relative luminance.
    std::array<double, 256> redShare_{}, greenShare_{}, blueShare_{};
    Kind general_, red_;
    std::vector<uint32_t> upSums_, downSums_;  // (blocks across + 1) x (blocks down + 1)
    uint64_t pictures_ = 0;
};

}  // namespace qx
