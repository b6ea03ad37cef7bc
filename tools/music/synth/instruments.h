// The soundtrack's instrument bank: 49 XM instruments, each one sample synthesised here from
// oscillators, noise, filters and envelopes (drums, percussion, effects, basses, pads, strings,
// leads, plucks, keys). Every sample is 16-bit except the film crackle, an 8-bit loop whose length
// is the caller's to choose (the composer uses it to bring the file to its exact size).
//
// Tuning: pitched samples sound at the pitch of the XM note played (C-4 = MIDI 60, 261.6 Hz);
// unpitched ones play at their own frame rate on C-4. Levels are baked into the samples (peak
// relative to full scale), so a volume column of 64 is each instrument's full mix level.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/music/xm_writer.h"

namespace qx {

// XM instrument numbers of the bank (1-based, in file order).
enum Instrument : uint8_t {
    kKickPunch = 1,
    kKickSub,
    kKickSoft,
    kSnare,
    kSnareGhost,
    kSnareBig,
    kClap,
    kHatClosed,
    kHatOpen,
    kShaker,
    kRide,
    kCrash,
    kRim,
    kTomLow,
    kTomHigh,
    kConga,
    kTambourine,
    kGlassClick,
    kReverseCymbal,
    kNoiseRiser,
    kDownlifter,
    kImpactBoom,
    kImpactMetal,
    kOrchestraHit,
    kCrackle,
    kWind,
    kSubBass,
    kReeseBass,
    kGrowlBass,
    kMorphBass,
    kPadWarm,
    kPadDark,
    kPadGlass,
    kChoir,
    kStrings,
    kStringStab,
    kPizzicato,
    kLeadSaw,
    kLeadSquare,
    kLeadSoft,
    kLeadFm,
    kPluck,
    kElectricPiano,
    kBell,
    kArpBlip,
    kGlassArp,
    kMallet,
    kSynthStab,
    kSubDrop,
    kInstrumentEnd
};
inline constexpr uint32_t kInstrumentCount = kInstrumentEnd - 1;

// The note that plays an unpitched instrument at its own frame rate.
inline constexpr uint8_t kDrumNote = XmNote(4, 0);

// The pitch classes an instrument sounds when it plays note C (bit k: k semitones above the
// note), for instruments with a pitch; 0 for drums and noises. Chords baked into a sample show
// here (the orchestra hit sounds root and fifth).
uint32_t SoundedIntervals(uint8_t instrument);

// The whole bank, instrument 1 first; the crackle loop holds crackleFrames 8-bit frames.
std::vector<XmInstrument> MakeInstrumentBank(uint32_t crackleFrames);

// The film crackle alone (instrument kCrackle), a loop of `frames` 8-bit frames (at least 1).
XmInstrument MakeCrackleInstrument(uint32_t frames);

}  // namespace qx
