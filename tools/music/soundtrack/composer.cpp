#include "tools/music/soundtrack/composer.h"

#include <algorithm>
#include <cstdio>

#include "archive/asset_catalogue.h"
#include "tools/music/soundtrack/score.h"
#include "tools/music/synth/instruments.h"

namespace qx {

using namespace score;

const SongSection kSongSections[kSongSectionCount] = {
    {"title", 0, 4, NaturalMinor(kD)},
    {"wireframe", 5, 7, NaturalMinor(kD)},
    {"title darkens", 8, 10, HarmonicMinor(kD)},
    {"flare cloud, glass", 11, 12, Major(kF)},
    {"rays", 13, 14, NaturalMinor(kA)},
    {"string web", 15, 16, NaturalMinor(kA)},
    {"grey echo, film roll, web", 17, 19, NaturalMinor(kC)},
    {"morph", 20, 21, NaturalMinor(kC)},
    {"tunnel", 22, 23, NaturalMinor(kE)},
    {"twins", 24, 25, NaturalMinor(kE)},
    {"wave, web trails", 26, 27, NaturalMinor(kE)},
    {"bump", 28, 29, NaturalMinor(kD)},
    {"chrome, rotozoom", 30, 33, NaturalMinor(kD)},
    {"water, closing chord", 34, kClosingOrder, NaturalMinor(kD)},
};

const SyncRow kSyncRows[kSyncRowCount] = {
    {5, 0},  {10, 63}, {13, 0}, {14, 0}, {14, 32}, {16, 0},  {16, 8},  {16, 16}, {16, 20}, {16, 24},
    {17, 0}, {20, 63}, {22, 0}, {29, 0}, {29, 16}, {29, 32}, {29, 48}, {29, 56}, {29, 60}, {30, 0},
};

const uint32_t kSceneOrders[kSceneOrderCount] = {0,  5,  8,  10, 11, 12, 13, 14, 15, 16, 17, 18,
                                                 19, 20, 22, 24, 26, 27, 28, 29, 30, 32, 34, 36};

const SongSection& SectionOfOrder(uint32_t order) {
    for (const SongSection& section : kSongSections)
        if (order >= section.firstOrder && order <= section.lastOrder) return section;
    return kSongSections[kSongSectionCount - 1];
}

namespace {

constexpr uint32_t kTimelineOrders = kClosingOrder + 1;  // orders 0..36 and the closing chord
constexpr uint32_t kTailOrders = kSongOrders - kTimelineOrders;
constexpr uint8_t kEffectBreak = 0x0D;
constexpr uint8_t kEffectExtended = 0x0E;
constexpr uint8_t kNoteCut = 0xC0;  // extended effect Cx: cut after x ticks
constexpr uint32_t kEchoDelay = 3;  // rows: a dotted eighth
constexpr uint8_t kPanLeft = 0x34;
constexpr uint8_t kPanRight = 0xCC;
constexpr uint32_t kCrackleBase = 18;  // velocity of the film crackle through the show
// The lowest note of the sub bass: C2 (65 Hz), so that its roots (C2 to B2) and their
// harmonics sit where a small speaker still plays them.
constexpr int kSubFloor = 36;

// Dynamics by the scene table: every volume of an order (the crackle aside) at this percent.
constexpr uint32_t kOrderDynamics[kClosingOrder + 1] = {
    100, 100, 100, 100, 100,  // title: its own rise is in the notes
    84,  84,  86,             // wireframe
    80,  80,  84,             // the title darkens
    78,  80,                  // flare cloud, glass
    84,  86,                  // rays
    84,  88,                  // string web
    76,  76,  80,             // grey echo, film roll, web over picture: the liquid valley
    80,  84,                  // morph
    84,  86,  86,  88,        // tunnel, twins: climbing again
    80,  86,                  // wave, web trails
    90,  92,                  // bump
    100, 100, 100, 100,       // chrome, rotozoom: the peak
    92,  96,  100, 100,       // water, cadence; the coda
};

// The most ordinary pieces of the arrangement.
constexpr const char* kTwoStepKick = "X.........X.....";
constexpr const char* kTwoStepSnare = "....X.......X...";
constexpr const char* kEighthHats = "x.X.x.X.x.X.x.X.";
constexpr const char* kSixteenthHats = "xoXoxoXoxoXoxoXo";
constexpr const char* kGhosts = ".......x.x.....x";
constexpr const char* kShakerRun = "xoxoxoxoxoxoxoxo";
constexpr const char* kHalfKick = "X.........X.....";
constexpr const char* kHalfSnare = "........X.......";
constexpr const char* kHeldRoot = "R...............";
constexpr const char* kHeldRootTwoBars =
    "R...............................R...............................";

// ---- Shared moves.

// Crash (and optionally an impact) on a row, with the kick.
void Downbeat(Score& s, uint32_t at, uint32_t crash, uint8_t impact, uint32_t impactVelocity) {
    s.Hit(at, kChCrash, kCrash, crash);
    s.Hit(at, kChKick, kKickPunch, 64);
    if (impact != 0) s.Hit(at, kChFx, impact, impactVelocity);
}

// A hit that lands a section on row `at`: an impact boom, the crash, the sub kick and an
// orchestra hit on MIDI note `root`.
void ImpactHit(Score& s, uint32_t at, uint32_t boomVelocity, int root, uint32_t hitVelocity) {
    s.Hit(at, kChFx, kImpactBoom, boomVelocity);
    s.Hit(at, kChCrash, kCrash, 56);
    s.Hit(at, kChKick, kKickSub, 64);
    s.Note(at, kChKeys, root, kOrchestraHit, hitVelocity);
}

// Cuts whatever rings on the channels at row `at`.
void Cut(Score& s, uint32_t at, std::initializer_list<uint32_t> channels) {
    for (const uint32_t channel : channels) s.Effect(at, channel, kEffectExtended, kNoteCut);
}

// Silences the drums on rows [from, to) (ringing cymbals cut) and turns the held parts down, so
// what follows hits.
void Gap(Score& s, uint32_t from, uint32_t to, uint32_t heldVelocity) {
    s.Clear(from, to, {kChKick, kChSnare, kChHat, kChPerc, kChPerc2, kChArp});
    Cut(s, from, {kChHat, kChPerc});
    for (const uint32_t channel : {kChSub, kChBass, kChPad1, kChPad2, kChPad3, kChPad4, kChStrings,
                                   kChLead, kChEcho, kChKeys, kChKeys2})
        s.Volume(from, channel, heldVelocity);
}

// A build into row `hit`: noise riser from `from`, snare roll over the last 16 rows (every
// other row, then every row), a reverse cymbal swelling up to the row before the hit, which
// breathes: riser cut, drums out, held parts down.
void BuildInto(Score& s, uint32_t from, uint32_t hit, uint32_t riserVelocity,
               uint32_t rollVelocity) {
    Riser(s, from, hit - 1, kChFx, riserVelocity);
    s.Clear(hit - 16, hit, {kChSnare});
    Roll(s, hit - 16, hit - 8, 2, kSnare, rollVelocity / 3, rollVelocity * 2 / 3);
    Roll(s, hit - 8, hit - 1, 1, kSnare, rollVelocity * 2 / 3, rollVelocity);
    s.Hit(hit - 20, kChCrash, kReverseCymbal, 40);
    Gap(s, hit - 1, hit, 10);
    Cut(s, hit - 1, {kChCrash});
}

// Kick patterns under the backbeat, one a section so that each part grooves its own way.
constexpr const char* kRollingKick = "X.....X...X.....";
constexpr const char* kSkipKick = "X.X.......X.....";
constexpr const char* kLateKick = "X.........X..X..";
constexpr const char* kSyncopatedKick = "X.......X.X.....";
constexpr const char* kDrivingKick = "X.........X...X.";
constexpr const char* kPeakKick =
    "X.X.......X...X.|X.........X.X...|X.X.......X...X.|X.....X...X.....";

// Backbeat drums over an order at `gain` percent on the kick pattern `kick`, hats in eighths or
// sixteenths; an open hat closes bars 2 and 4, and a pickup kick leads out of bar 4.
void TwoStep(Score& s, uint32_t order, uint32_t gain, bool sixteenths,
             const char* kick = kTwoStepKick) {
    DrumLine(s, order, kChKick, kKickPunch, kick, gain);
    DrumLine(s, order, kChKick, kKickPunch,
             "................|................|................|.............x..", gain);
    DrumLine(s, order, kChSnare, kSnare, kTwoStepSnare, gain * 88 / 100);
    DrumLine(s, order, kChHat, kHatClosed, sixteenths ? kSixteenthHats : kEighthHats,
             gain * 70 / 100);
    DrumLine(s, order, kChHat, kHatOpen,
             "................|..............x.|................|..............x.",
             gain * 60 / 100);
    DrumLine(s, order, kChPerc2, kSnareGhost, kGhosts, gain * 60 / 100);
}

// A drum fill over the order's last bar (rows 48..63): kicks, a snare run and two toms.
void Fill(Score& s, uint32_t order, uint32_t gain) {
    s.Clear(At(order, 48), At(order, 64), {kChKick, kChSnare, kChPerc2});
    DrumLine(s, order, kChKick, kKickPunch,
             "................|................|................|X.........X.....", gain);
    DrumLine(s, order, kChSnare, kSnare,
             "................|................|................|....X..x.xX.XxXX",
             gain * 85 / 100);
    DrumLine(s, order, kChPerc2, kTomHigh,
             "................|................|................|......x.x.......",
             gain * 70 / 100);
    DrumLine(s, order, kChPerc2, kTomLow,
             "................|................|................|..........x.x...",
             gain * 70 / 100);
}

// ---- Sections.

// Orders 0-4, D minor: wind, crackle and a warm pad rise; bells sketch the main theme; the
// sub, a heartbeat kick and a glass arpeggio join; order 4 builds into the beat.
void ComposeTitle(Score& s) {
    const Progression dm = {{Min9(kD), 32}, {Maj7(kBb), 32}};
    const Progression fc = {{Maj7(kF), 32}, {Sus2(kC), 32}};
    const Progression turn = {{Min7(kG), 32}, {Sus4(kA), 32}};
    const Progression plan[5] = {dm, fc, dm, fc, turn};
    constexpr uint32_t kPadRise[5] = {16, 20, 24, 27, 30};

    s.Hit(At(0, 0), kChAtmos, kCrackle, kCrackleBase);
    s.Hit(At(0, 0), kChPad4, kWind, 30);
    for (uint32_t order = 0; order < 5; ++order)
        Pads(s, order, plan[order], kChPad1, 3, kPadWarm, 62, kPadRise[order]);
    s.Note(At(2, 0), kChPad4, 65, kChoir, 18);
    s.Note(At(2, 32), kChPad4, 65, kChoir, 20);
    s.Note(At(3, 0), kChPad4, 69, kChoir, 22);
    s.Note(At(3, 32), kChPad4, 67, kChoir, 22);
    s.Note(At(4, 0), kChPad4, 70, kChoir, 24);
    s.Note(At(4, 32), kChPad4, 69, kChoir, 26);

    // The main theme's outline on a bell, echoed.
    Melody(s, At(1, 0), kChKeys, kBell,
           "A5 . . . . . . . . . . . . . . . | E5 . . . . . . . F5 . . . . . . . |"
           "G5 . . . . . . . . . . . . . . . | E5 . . . . . . . D5 . . . . . . .",
           30);
    Melody(s, At(2, 0), kChKeys, kBell,
           "A5 . . D6 . . F6 . . . . . E6 . . | D6 . . . . . . . . . . . C6 . . . |"
           "A5 . . . . . . . . . . . . . . . | F5 . . . . . . . . . . . . . . .",
           30);
    Melody(s, At(3, 0), kChKeys, kBell,
           "C6 . . F6 . . A6 . . . G6 . F6 . . . | E6 . . . . . C6 . . . A5 . C6 . . . |"
           "D6 . . . . . G5 . . . . . C6 . . . | D6 . . . . . . . . . . . . . . .",
           32);
    Echo(s, At(1, 0), At(4, 0), kChKeys, kChKeys2, kEchoDelay, 45, kPanRight, At(4, 0));

    for (uint32_t order = 2; order < 5; ++order)
        BassLine(s, order, plan[order], kChSub, kSubBass, kHeldRootTwoBars, kSubFloor,
                 order == 2 ? 30 : 38);

    DrumLine(s, 3, kChKick, kKickSoft,
             "X...............|................|X...............|........X.......", 55);
    DrumLine(s, 4, kChKick, kKickSoft,
             "X.......X.......|X.......X.......|X.......X.......|X...X...X...X...", 65);
    Arpeggio(s, 3, plan[3], kChArp, kGlassArp, "0.1.2.3.2.1.2.3.", 62, 14);
    Arpeggio(s, 4, plan[4], kChArp, kGlassArp, "0.1.2.3.2.1.2.3.", 62, 18);
    DrumLine(s, 4, kChPerc, kShaker,
             "o.o.o.o.o.o.o.o.|o.o.o.o.o.o.o.o.|xoxoxoxoxoxoxoxo|xoxoxoxoxoxoxoxo", 60);
    BuildInto(s, At(4, 24), At(5, 0), 34, 50);
}

// Orders 5-7, D minor: the beat enters; two-step drums, sub and reese on the roots, warm pad,
// a sixteenth arpeggio. Order 6 answers 5 with a pluck line and congas; order 7 adds strings
// and a fill.
void ComposeWireframe(Score& s) {
    const Progression prog = {{Min(kD), 16}, {Maj(kBb), 16}, {Maj(kF), 16}, {Maj(kC), 16}};
    for (uint32_t order = 5; order <= 7; ++order) {
        TwoStep(s, order, 100, false);
        DrumLine(s, order, kChPerc, kShaker, kShakerRun, 35);
        BassLine(s, order, prog, kChSub, kSubBass, kHeldRoot, kSubFloor, 38);
        BassLine(s, order, prog, kChBass, kReeseBass, "R.....R...R.-...", 38, 30);
        Pads(s, order, prog, kChPad1, 3, kPadWarm, 64, 20);
        Arpeggio(s, order, prog, kChArp, kArpBlip, "0121012301210123", 62, 20);
    }
    s.Hit(At(5, 0), kChCrash, kCrash, 50);
    s.KeyOff(At(5, 0), kChPad4);
    s.RepeatOrder(5, 6);
    for (uint32_t order = 6; order <= 7; ++order) {
        Arpeggio(s, order, prog, kChKeys, kPluck, "0..1..2.0..1..2.", 62, 24);
        DrumLine(s, order, kChPerc2, kConga, "......x...x..x.x", 50);
    }
    Pads(s, 7, prog, kChStrings, 1, kStrings, 69, 22);
    s.Hit(At(7, 0), kChCrash, kCrash, 40);
    Fill(s, 7, 100);
}

// Orders 8-10, D harmonic minor: half time, dark pad, the theme falling on a bell; thinner
// each order; order 10 holds the dominant under a rising riser, cuts, and hits on row 63.
void ComposeDarkening(Score& s) {
    const Progression a = {{Maj(kBb), 32}, {Min(kG), 32}};
    const Progression b = {{Maj(kBb), 32}, {Maj(kA), 32}};
    const Progression c = {{Min(kG), 16}, {Maj(kBb), 16}, {Maj(kA), 32}};
    const Progression plan[3] = {a, b, c};
    s.KeyOff(At(8, 0), kChStrings);
    s.KeyOff(At(8, 0), kChArp);
    for (uint32_t k = 0; k < 3; ++k) {
        const uint32_t order = 8 + k;
        Pads(s, order, plan[k], kChPad1, 3, kPadDark, 60, 26);
        BassLine(s, order, plan[k], kChSub, kSubBass, kHeldRootTwoBars, kSubFloor, 38);
        BassLine(s, order, plan[k], kChBass, kReeseBass, kHeldRootTwoBars, 38, 20 - 4 * k);
    }
    s.Hit(At(8, 0), kChCrash, kCrash, 36);
    DrumLine(s, 8, kChKick, kKickPunch, kHalfKick, 90);
    DrumLine(s, 8, kChSnare, kClap, kHalfSnare, 70);
    DrumLine(s, 8, kChHat, kHatClosed, kEighthHats, 45);
    DrumLine(s, 9, kChKick, kKickPunch, "X...............", 80);
    DrumLine(s, 9, kChPerc, kRim, "....x.......x..x", 50);
    DrumLine(s, 9, kChHat, kHatClosed, "x...x...x...x...", 40);
    DrumLine(s, 10, kChKick, kKickSoft,
             "X.......X.......|X.......X.......|X...X...X...X...|X.X.X.X.........", 70);
    DrumLine(s, 10, kChHat, kHatClosed,
             "o.o.o.o.o.o.o.o.|o.o.o.o.o.o.o.o.|xoxoxoxoxoxoxoxo|XxXxXxXx........", 60);

    Melody(s, At(8, 0), kChKeys, kBell,
           "A5 . . . . . . . . . . . F5 . . . | D5 . . . . . . . . . . . . . . . |"
           "G5 . . . . . . . . . . . D5 . . . | Bb4 . . . . . . . . . . . . . . .",
           26);
    Melody(s, At(9, 0), kChKeys, kBell,
           "F5 . . . . . . . . . . . D5 . . . | Bb4 . . . . . . . . . . . . . . . |"
           "E5 . . . . . . . . . . . C#5 . . . | A4 . . . . . . . . . . . . . . .",
           24);
    Echo(s, At(8, 0), At(10, 0), kChKeys, kChKeys2, kEchoDelay, 45, kPanRight, At(10, 0));
    Melody(s, At(10, 32), kChLead, kLeadSoft,
           "E5 . . . . . . . F5 . . . . . . . E5 . . . . . . . C#5 . . . . . . .", 22);

    Riser(s, At(10, 24), At(10, 56), kChFx, 30);
    Gap(s, At(10, 56), At(10, 63), 8);
    Cut(s, At(10, 56), {kChLead, kChKeys, kChKeys2, kChFx});
    ImpactHit(s, At(10, 63), 64, 57, 50);
}

// Orders 11-12, F major: light half time with glass clicks, a glass pad, mallet arpeggios and
// the bell; from 12/32 everything rises into the fade to white.
void ComposeGlass(Score& s) {
    const Progression a = {{Maj7(kF), 32}, {Min7(kA), 32}};
    const Progression b = {{Maj7(kBb), 32}, {Maj(kC), 32}};
    const Progression plan[2] = {a, b};
    for (uint32_t k = 0; k < 2; ++k) {
        const uint32_t order = 11 + k;
        Pads(s, order, plan[k], kChPad1, 3, kPadGlass, 67, 26);
        BassLine(s, order, plan[k], kChSub, kSubBass,
                 "R.........R.....R...............R.........R.....R...............", kSubFloor, 38);
        DrumLine(s, order, kChKick, kKickPunch, kHalfKick, 85);
        DrumLine(s, order, kChSnare, kClap, kHalfSnare, 75);
        DrumLine(s, order, kChHat, kHatClosed, kEighthHats, 40);
        DrumLine(s, order, kChPerc, kGlassClick,
                 "..x...x...x.x...|..x...x...x..x.x|..x...x...x.x...|..x...x.x.x..x.x", 45);
        Arpeggio(s, order, plan[k], kChArp, kMallet, "0.2.1.3.0.2.1.3.", 60, 24);
    }
    s.KeyOff(At(11, 0), kChBass);
    s.KeyOff(At(11, 0), kChLead);
    Melody(s, At(11, 0), kChKeys, kBell,
           "C6 . . . . . A5 . . . . . G5 . . . | A5 . . . . . . . . . . . . . . . |"
           "E6 . . . . . C6 . . . . . A5 . . . | G5 . . . . . . . . . . . . . . .",
           28);
    Melody(s, At(12, 0), kChKeys, kBell,
           "D6 . . . . . Bb5 . . . . . F5 . . . | A5 . . . . . . . . . . . . . . .", 28);
    Echo(s, At(11, 0), At(12, 32), kChKeys, kChKeys2, kEchoDelay, 45, kPanLeft, At(13, 0));
    s.Note(At(12, 32), kChStrings, 72, kStrings, 30);
    BuildInto(s, At(12, 32), At(13, 0), 36, 56);
}

// Orders 13-14, A minor: full drum and bass for the rays: growl bass, warm pad, stabs and a
// sixteenth arpeggio; hits on 13/0, 14/0 and, after a short stop, 14/32.
void ComposeRays(Score& s) {
    const Progression prog = {{Min(kA), 16}, {Maj(kF), 16}, {Maj(kC), 16}, {Maj(kG), 16}};
    s.KeyOff(At(13, 0), kChStrings);
    s.KeyOff(At(13, 0), kChKeys2);
    for (uint32_t order = 13; order <= 14; ++order) {
        TwoStep(s, order, 100, true, kRollingKick);
        DrumLine(s, order, kChPerc, kShaker, kShakerRun, 40);
        BassLine(s, order, prog, kChSub, kSubBass, kHeldRoot, kSubFloor, 38);
        BassLine(s, order, prog, kChBass, kGrowlBass, "R.R...O.R.-.R.F.", 45, 26);
        Pads(s, order, prog, kChPad1, 3, kPadWarm, 64, 20);
        Arpeggio(s, order, prog, kChArp, kArpBlip, "0123432101234321", 64, 20);
        Arpeggio(s, order, prog, kChKeys, kSynthStab, "..1...1...1...1.", 60, 26);
    }
    Downbeat(s, At(13, 0), 56, kImpactMetal, 50);
    Gap(s, At(13, 63), At(14, 0), 12);
    Downbeat(s, At(14, 0), 50, 0, 0);
    Gap(s, At(14, 29), At(14, 32), 10);
    Downbeat(s, At(14, 32), 56, kImpactMetal, 56);
    s.Note(At(14, 32), kChKeys, 57, kOrchestraHit, 56);
    for (const uint32_t channel : {kChSub, kChBass, kChPad1, kChPad2, kChPad3, kChArp})
        s.Volume(At(14, 33), channel, channel == kChSub ? 38 : 22);
}

// Orders 15-16, A minor: strings and pizzicato over two-step drums; then stop-time hits on
// 16/0, 8, 16, 20, 24 and a rise on a G power chord into order 17.
void ComposeStringWeb(Score& s) {
    const Progression prog = {{Min(kA), 16}, {Maj(kG), 16}, {Maj(kF), 16}, {Maj(kG), 16}};
    TwoStep(s, 15, 95, false, kSkipKick);
    s.Hit(At(15, 0), kChCrash, kCrash, 44);
    BassLine(s, 15, prog, kChSub, kSubBass, kHeldRoot, kSubFloor, 38);
    BassLine(s, 15, prog, kChBass, kReeseBass, "R.....R...R.-...", 45, 28);
    s.KeyOff(At(15, 0), kChKeys);
    Pads(s, 15, prog, kChPad1, 3, kStrings, 64, 26);
    Arpeggio(s, 15, prog, kChArp, kPizzicato, "0.1.2.1.0.1.2.1.", 57, 34);
    Arpeggio(s, 15, prog, kChKeys2, kStringStab, "..2.....2...2...", 64, 26);
    Fill(s, 15, 95);
    Gap(s, At(15, 62), At(16, 0), 8);

    // Stop time: each hit alone, its tail cut before the next.
    struct StopHit {
        uint32_t row;
        int root;  // MIDI of the orchestra hit and the bass
    };
    constexpr StopHit kHits[] = {{0, 57}, {8, 60}, {16, 53}, {20, 55}, {24, 57}};
    s.Volume(At(16, 0), kChPad1, 6);
    s.Volume(At(16, 0), kChPad2, 6);
    s.Volume(At(16, 0), kChPad3, 6);
    for (const StopHit& hit : kHits) {
        const uint32_t at = At(16, hit.row);
        s.Hit(at, kChKick, kKickPunch, 64);
        s.Hit(at, kChSnare, hit.row == 0 ? kSnareBig : kSnare, 56);
        s.Hit(at, kChCrash, hit.row == 0 ? kCrash : kHatOpen, hit.row == 0 ? 60 : 40);
        s.Note(at, kChKeys, hit.root, kOrchestraHit, 56);
        s.Note(at, kChKeys2, hit.root + 12, kStringStab, 44);
        s.Note(at, kChSub, hit.root - 12, kSubBass, 50);
        Cut(s, at + 3, {kChKeys, kChKeys2, kChSub, kChSnare, kChCrash});
    }
    s.KeyOff(At(16, 0), kChBass);
    s.KeyOff(At(16, 0), kChArp);
    s.KeyOff(At(16, 0), kChPerc);
    const Progression rise = {{Power(kG), 64}};
    Pads(s, 16, {{Power(kG), 32}, {Power(kG), 32}}, kChPad1, 3, kStrings, 62, 6);
    for (uint32_t row = 32; row < 64; row += 4)
        for (const uint32_t channel : {kChPad1, kChPad2, kChPad3})
            s.Volume(At(16, row), channel, 10 + (row - 32));
    s.Note(At(16, 32), kChSub, 43, kSubBass, 40);
    Arpeggio(s, 16, rise, kChArp, kArpBlip,
             "................|................|0.1.2.1.0.1.2.1.|0123012301230123", 62, 22);
    BuildInto(s, At(16, 32), At(17, 0), 40, 60);
}

// The first theme, in C minor over Cm7 | Abmaj7 | Ebmaj7 | Bb: statement and answer.
constexpr const char* kThemeA =
    "G5 . . . . . Bb5 . . . G5 . . . F5 . | Eb5 . . . . . . . C5 . . . Eb5 . . . |"
    "Bb4 . . . . . G5 . . . F5 . . . Eb5 . | D5 . . . . . . . F5 . . . D5 . . .";
constexpr const char* kThemeAAnswer =
    "C6 . . . . . Bb5 . . . G5 . . . Bb5 . | C6 . . . . . Eb6 . . . C6 . Bb5 . . . |"
    "G5 . . . . . Bb5 . . . G5 . . . F5 . | D5 . . . . . . . . . . . . . - .";

// Orders 17-19, C minor: liquid drum and bass. 17: electric piano and the first theme with
// its echo; 18: a broken beat, strings and louder film crackle; 19: the theme on the saw lead.
void ComposeEcho(Score& s) {
    const Progression prog = {{Min7(kC), 16}, {Maj7(kAb), 16}, {Maj7(kEb), 16}, {Maj(kBb), 16}};
    Downbeat(s, At(17, 0), 56, kImpactBoom, 40);
    s.KeyOff(At(17, 0), kChArp);
    for (uint32_t order = 17; order <= 19; ++order) {
        BassLine(s, order, prog, kChSub, kSubBass, kHeldRoot, kSubFloor, 36);
        BassLine(s, order, prog, kChBass, kReeseBass, "R.......R.....r.", 36, 20);
        Pads(s, order, prog, kChPad1, 3, kElectricPiano, 62, 26);
        Arpeggio(s, order, prog, kChPad4, kElectricPiano, "......1...1.....", 67, 18);
    }
    DrumLine(s, 17, kChKick, kKickPunch, "X.X.......X.....", 100);
    DrumLine(s, 17, kChSnare, kSnare, kTwoStepSnare, 85);
    DrumLine(s, 17, kChPerc, kRide, "x.x.x.x.x.x.x.x.", 45);
    DrumLine(s, 17, kChPerc2, kSnareGhost, ".......x.x.....x", 60);
    Melody(s, At(17, 0), kChLead, kLeadSoft, kThemeA, 30);
    Echo(s, At(17, 0), At(18, 0), kChLead, kChEcho, kEchoDelay, 50, kPanRight, At(18, 0));

    s.Volume(At(18, 0), kChAtmos, 40);
    s.Hit(At(18, 0), kChCrash, kCrash, 40);
    DrumLine(s, 18, kChKick, kKickPunch,
             "X.X.......XX....|X.X.......X.....|X.X.......XX....|X.X.....X.X.....", 100);
    DrumLine(s, 18, kChSnare, kSnare,
             "....X..X.X..X..X|....X.......X...|....X..X.X..X..X|....X.......X.XX", 82);
    DrumLine(s, 18, kChHat, kHatClosed, kEighthHats, 45);
    DrumLine(s, 18, kChPerc, kTambourine, "....x.......x...", 40);
    Pads(s, 18, prog, kChStrings, 1, kStrings, 67, 24);
    Melody(s, At(18, 0), kChLead, kLeadFm, kThemeAAnswer, 30);
    Echo(s, At(18, 0), At(19, 0), kChLead, kChEcho, kEchoDelay, 45, kPanLeft, At(19, 0));

    s.Volume(At(19, 0), kChAtmos, kCrackleBase);
    s.Hit(At(19, 0), kChCrash, kCrash, 44);
    TwoStep(s, 19, 100, false, kLateKick);
    DrumLine(s, 19, kChPerc, kShaker, kShakerRun, 40);
    Pads(s, 19, prog, kChStrings, 1, kStrings, 67, 24);
    Melody(s, At(19, 0), kChLead, kLeadSaw, kThemeA, 32);
    Echo(s, At(19, 0), At(20, 0), kChLead, kChEcho, kEchoDelay, 45, kPanRight, At(20, 0));
    Arpeggio(s, 19, prog, kChArp, kGlassArp, "0.1.2.3.4.3.2.1.", 67, 18);
}

// Orders 20-21, C minor: the morphing bass, glass arpeggios changing shape every bar and an
// FM counter-line; a cut and an impact on 20/63; order 21 ends on Gsus4 into E minor.
void ComposeMorph(Score& s) {
    const Progression a = {{Min7(kF), 16}, {Min7(kG), 16}, {Maj7(kAb), 16}, {Maj(kBb), 16}};
    const Progression b = {{Min(kC), 16}, {Maj(kAb), 16}, {Maj(kEb), 16}, {Sus4(kG), 16}};
    const Progression plan[2] = {a, b};
    s.Hit(At(20, 0), kChCrash, kCrash, 48);
    s.KeyOff(At(20, 0), kChStrings);
    s.KeyOff(At(20, 0), kChPad4);
    for (uint32_t k = 0; k < 2; ++k) {
        const uint32_t order = 20 + k;
        TwoStep(s, order, 100, k == 1, kSyncopatedKick);
        BassLine(s, order, plan[k], kChSub, kSubBass, kHeldRoot, kSubFloor, 38);
        BassLine(s, order, plan[k], kChBass, kMorphBass, "R.........R.....", 41, 30);
        Pads(s, order, plan[k], kChPad1, 3, kPadGlass, 65, 20);
        Arpeggio(s, order, plan[k], kChArp, kGlassArp,
                 "0123012301230123|0246024602460246|3210321032103210|0.2.4.2.0.2.4.2.", 60, 20);
    }
    Melody(s, At(20, 0), kChLead, kLeadFm,
           "C5 . . . Eb5 . . . F5 . . . . . . . | G5 . . . F5 . . . D5 . . . . . . . |"
           "Eb5 . . . G5 . . . C6 . . . . . . . | Bb5 . . . . . . . F5 . . . . - . .",
           28);
    Echo(s, At(20, 0), At(20, 60), kChLead, kChEcho, kEchoDelay, 45, kPanRight, At(20, 60));
    Gap(s, At(20, 60), At(20, 63), 8);
    ImpactHit(s, At(20, 63), 60, 48, 54);
    for (const uint32_t channel : {kChSub, kChBass, kChPad1, kChPad2, kChPad3})
        s.Volume(At(21, 1), channel, channel == kChSub ? 38 : 22);

    DrumLine(s, 21, kChPerc, kRide, "x.x.x.x.x.x.x.x.", 40);
    Melody(s, At(21, 0), kChLead, kLeadSaw,
           "G5 . . . . . C6 . . . Eb6 . . . D6 . | C6 . . . . . . . Ab5 . . . . . . . |"
           "G5 . . . . . Bb5 . . . G5 . . . F5 . | G5 . . . . . . . . . . . . - . .",
           30);
    Echo(s, At(21, 0), At(21, 60), kChLead, kChEcho, kEchoDelay, 45, kPanRight, At(21, 62));
    Fill(s, 21, 100);
    Gap(s, At(21, 62), At(22, 0), 10);
}

// The second theme, in E minor over Em | C | G | D: a driving line in eighths.
constexpr const char* kThemeB =
    "E5 . B4 . E5 . G5 . F#5 . E5 . B4 . D5 . | E5 . C5 . E5 . G5 . A5 . G5 . E5 . C5 . |"
    "D5 . B4 . D5 . G5 . F#5 . D5 . B4 . G4 . | A4 . D5 . F#5 . A5 . F#5 . D5 . E5 . F#5 .";
constexpr const char* kThemeBTwins =
    "G5 . . . E5 . B5 . A5 . G5 . E5 . . . | E5 . . . C6 . B5 . A5 . G5 . E5 . . . |"
    "F#5 . . . D5 . A5 . G5 . F#5 . D5 . . . | B4 . . . D5 . F#5 . . . . . . . . .";

// Orders 22-25, E minor: the tunnel drives the second theme on the saw lead over the growl
// bass (23 adds congas and a pluck answer); the twins play it harmonised in thirds over the choir
// and reese.
void ComposeTunnelAndTwins(Score& s) {
    const Progression tunnel = {{Min(kE), 16}, {Maj(kC), 16}, {Maj(kG), 16}, {Maj(kD), 16}};
    const Progression twins = {{Min(kE), 16}, {Maj(kC), 16}, {Maj(kD), 16}, {Min(kB), 16}};
    Downbeat(s, At(22, 0), 60, 0, 0);
    DrumLine(s, 22, kChKick, kKickPunch, "X.........X...X.", 100);
    DrumLine(s, 22, kChSnare, kSnare, kTwoStepSnare, 88);
    DrumLine(s, 22, kChHat, kHatClosed, kSixteenthHats, 55);
    DrumLine(s, 22, kChPerc, kRide, "..x...x...x...x.", 45);
    DrumLine(s, 22, kChPerc2, kSnareGhost, kGhosts, 60);
    BassLine(s, 22, tunnel, kChSub, kSubBass, kHeldRoot, kSubFloor, 38);
    BassLine(s, 22, tunnel, kChBass, kGrowlBass, "R.R.O.R.R.-.R.O.", 40, 26);
    Pads(s, 22, tunnel, kChPad1, 3, kPadWarm, 64, 20);
    s.KeyOff(At(22, 0), kChArp);
    Melody(s, At(22, 0), kChLead, kLeadSaw, kThemeB, 32);
    Echo(s, At(22, 0), At(23, 0), kChLead, kChEcho, kEchoDelay, 40, kPanLeft, At(23, 0));
    s.RepeatOrder(22, 23);
    DrumLine(s, 23, kChPerc2, kConga, "..x...x...x.x.x.", 55);
    Arpeggio(s, 23, tunnel, kChArp, kPluck, "..0...1...2...1.", 64, 22);

    for (uint32_t order = 24; order <= 25; ++order) {
        TwoStep(s, order, 100, true, kDrivingKick);
        DrumLine(s, order, kChPerc, kShaker, kShakerRun, 40);
        BassLine(s, order, twins, kChSub, kSubBass, kHeldRoot, kSubFloor, 38);
        BassLine(s, order, twins, kChBass, kReeseBass, "R.....R...R...R.", 40, 30);
        Pads(s, order, twins, kChPad1, 3, kChoir, 64, 22);
        Melody(s, At(order, 0), kChLead, kLeadSquare, kThemeBTwins, 32);
        Harmonise(s, At(order, 0), At(order + 1, 0), kChLead, kChEcho, NaturalMinor(kE), 80);
        Arpeggio(s, order, twins, kChArp, kArpBlip, "0.2.1.3.0.2.1.3.", 64, 16);
    }
    s.Hit(At(24, 0), kChCrash, kCrash, 50);
    Fill(s, 25, 100);
}

// Orders 26-27, E minor: the wave breaks down (no kick; glass pad, flowing mallets, a slow bell
// line); web trails build the drums back, then a riser and a roll into the bump.
void ComposeWave(Score& s) {
    const Progression wave = {{Maj7(kC), 32}, {Min9(kE), 32}};
    const Progression trails = {{Maj7(kC), 32}, {Maj(kD), 32}};
    s.Hit(At(26, 0), kChCrash, kCrash, 40);
    s.Hit(At(26, 0), kChFx, kDownlifter, 40);
    s.KeyOff(At(26, 0), kChLead);
    s.KeyOff(At(26, 0), kChEcho);
    s.KeyOff(At(26, 0), kChBass);
    for (uint32_t order = 26; order <= 27; ++order) {
        const Progression& prog = order == 26 ? wave : trails;
        Pads(s, order, prog, kChPad1, 3, kPadGlass, 64, 26);
        BassLine(s, order, prog, kChSub, kSubBass, kHeldRootTwoBars, kSubFloor, 36);
        Arpeggio(s, order, prog, kChArp, kMallet, "0123432101234321", 60, 22);
    }
    Pads(s, 26, wave, kChPad4, 1, kChoir, 72, 20);
    DrumLine(s, 26, kChPerc, kShaker, kShakerRun, 35);
    DrumLine(s, 26, kChPerc2, kRim, "....x.......x..x", 45);
    Melody(s, At(26, 0), kChKeys, kBell,
           "B5 . . . . . . . G5 . . . . . . . | E5 . . . . . . . . . . . . . . . |"
           "D6 . . . . . . . B5 . . . . . . . | F#5 . . . . . . . . . . . . . . .",
           28);
    Echo(s, At(26, 0), At(27, 0), kChKeys, kChKeys2, kEchoDelay, 45, kPanLeft, At(27, 0));

    DrumLine(s, 27, kChKick, kKickPunch,
             "X.........X.....|X.........X.....|X.........X.....|X.........X.....", 90);
    DrumLine(s, 27, kChHat, kHatClosed,
             "................|x.X.x.X.x.X.x.X.|x.X.x.X.x.X.x.X.|xoXoxoXoxoXoxoXo", 55);
    DrumLine(s, 27, kChSnare, kSnare,
             "................|................|....X.......X...|................", 85);
    DrumLine(s, 27, kChPerc, kShaker, kShakerRun, 35);
    s.KeyOff(At(27, 0), kChPad4);
    BuildInto(s, At(27, 32), At(28, 0), 36, 58);
}

// Orders 28-29, D minor: heavy half time under the bump; order 29 is a build of six hits (rows
// 0, 16, 32, 48, 56, 60) over a riser, each hit alone.
void ComposeBump(Score& s) {
    const Progression a = {{Min(kD), 32}, {Maj(kBb), 32}};
    const Progression b = {{Min(kG), 16}, {Maj(kBb), 16}, {Maj(kC), 16}, {Sus4(kA), 16}};
    Downbeat(s, At(28, 0), 56, kImpactMetal, 40);
    s.Hit(At(28, 0), kChKick, kKickSub, 64);
    DrumLine(s, 28, kChKick, kKickSub, kHalfKick, 100);
    DrumLine(s, 28, kChSnare, kSnareBig, kHalfSnare, 80);
    DrumLine(s, 28, kChHat, kHatClosed, kSixteenthHats, 45);
    DrumLine(s, 28, kChPerc, kShaker, kShakerRun, 35);
    BassLine(s, 28, a, kChSub, kSubBass, kHeldRootTwoBars, kSubFloor, 38);
    BassLine(s, 28, a, kChBass, kGrowlBass, "R.....R...R.O...", 38, 26);
    Pads(s, 28, a, kChPad1, 3, kPadDark, 62, 24);
    Pads(s, 28, a, kChPad4, 1, kChoir, 69, 20);
    s.KeyOff(At(28, 0), kChArp);
    Melody(s, At(28, 0), kChLead, kLeadSoft,
           "A5 . . . . . . . . . . . F5 . . . | D5 . . . . . . . . . . . . . . . |"
           "F5 . . . . . . . . . . . D5 . . . | Bb4 . . . . . . . . . . . A4 . . .",
           28);

    // The build: pads low under a riser, hats ticking; each hit cut before the next.
    Pads(s, 29, b, kChPad1, 3, kPadDark, 62, 14);
    s.KeyOff(At(29, 0), kChBass);
    s.KeyOff(At(29, 0), kChPad4);
    s.KeyOff(At(29, 0), kChLead);
    DrumLine(s, 29, kChHat, kHatClosed,
             "o...o...o...o...|o...o...o...o...|o.o.o.o.o.o.o.o.|o.o.o.o.........", 70);
    Riser(s, At(29, 0), At(29, 63), kChFx, 26);
    constexpr uint32_t kHitRows[] = {0, 16, 32, 48, 56, 60};
    for (const uint32_t row : kHitRows) {
        const uint32_t at = At(29, row);
        const int root = NoteAtOrAbove(ChordAt(b, row).root, 50);
        s.Hit(at, kChKick, row < 48 ? kKickSub : kKickPunch, 64);
        s.Hit(at, kChSnare, row < 48 ? kSnareBig : kSnare, 58);
        s.Hit(at, kChCrash, row < 48 ? kCrash : kHatOpen, 52);
        s.Note(at, kChKeys, root, kOrchestraHit, 56);
        s.Note(at, kChSub, root - 12, kSubBass, 50);
        const uint32_t cutAfter = row < 48 ? 8 : 3;
        Cut(s, at + cutAfter, {kChKeys, kChSub, kChSnare, kChCrash});
    }
    s.Hit(At(29, 0), kChPerc2, kImpactMetal, 44);
}

// The main theme, in D minor over Dm | Bb | F | C: statement, answer and the high variation.
constexpr const char* kThemeM =
    "A4 . . D5 . . F5 . . . E5 . D5 . . . | F5 . . . . . D5 . . . C5 . D5 . . . |"
    "C5 . . F5 . . A5 . . . G5 . F5 . . . | E5 . . . . . G5 . . . E5 . C5 . . .";
constexpr const char* kThemeMAnswer =
    "A4 . . D5 . . F5 . . . E5 . D5 . . . | F5 . . . . . D5 . . . C5 . D5 . . . |"
    "C5 . . F5 . . A5 . . . C6 . A5 . . . | G5 . . . . . . . E5 . . . . - . .";
constexpr const char* kThemeMEnd =
    "D6 . . Bb5 . . G5 . . . A5 . Bb5 . . . | D6 . . . . . F6 . . . D6 . Bb5 . . . |"
    "C6 . . E6 . . G6 . . . E6 . C6 . . . | A5 . . . . . . . E6 . . . D6 . - .";

// Orders 30-33, D minor: the peak. Everything plays; the main theme on the saw lead with its
// echo and a bell an octave up; 32 plays 30 again with congas and a hit where the rotozoom
// begins; 33 turns through Gm, Bb, C, Asus4.
void ComposePeak(Score& s) {
    const Progression prog = {{Min(kD), 16}, {Maj(kBb), 16}, {Maj(kF), 16}, {Maj(kC), 16}};
    const Progression end = {{Min(kG), 16}, {Maj(kBb), 16}, {Maj(kC), 16}, {Sus4(kA), 16}};
    const char* const themes[3] = {kThemeM, kThemeMAnswer, kThemeMEnd};
    for (uint32_t k = 0; k < 3; ++k) {
        const uint32_t order = k == 2 ? 33 : 30 + k;
        const Progression& chords = k == 2 ? end : prog;
        TwoStep(s, order, 100, true, kPeakKick);
        DrumLine(s, order, kChPerc, kRide, "..x...x...x...x.", 45);
        BassLine(s, order, chords, kChSub, kSubBass, kHeldRoot, kSubFloor, 42);
        BassLine(s, order, chords, kChBass, kReeseBass, "R.....R...R.O...", 38, 32);
        Pads(s, order, chords, kChPad1, 3, kPadWarm, 64, 27);
        Pads(s, order, chords, kChStrings, 1, kStrings, 72, 30);
        DrumLine(s, order, kChCrash, kCrash,
                 "X...............................x...............................", 60);
        Arpeggio(s, order, chords, kChArp, kArpBlip, "0123012301230123", 62, 18);
        Melody(s, At(order, 0), kChLead, kLeadSaw, themes[k], 42);
        Echo(s, At(order, 0), At(order + 1, 0), kChLead, kChEcho, kEchoDelay, 40, kPanRight,
             At(order + 1, 0));
        Melody(s, At(order, 0), kChKeys, kBell, themes[k], 14, 12);
    }
    Downbeat(s, At(30, 0), 64, kImpactBoom, 44);
    s.Hit(At(30, 0), kChPad4, kSubDrop, 40);
    s.Hit(At(31, 0), kChCrash, kCrash, 44);
    Fill(s, 31, 100);
    s.RepeatOrder(30, 32);
    s.Clear(At(32, 0), At(32, 1), {kChFx, kChPad4});  // the boom and drop belong to 30 alone
    s.Hit(At(32, 16), kChFx, kImpactMetal, 44);
    s.Hit(At(32, 16), kChCrash, kCrash, 56);
    DrumLine(s, 32, kChPerc2, kConga, "..x...x...x.x..x", 50);
    s.Hit(At(33, 0), kChCrash, kCrash, 48);
    Harmonise(s, At(33, 0), At(34, 0), kChLead, kChKeys2, NaturalMinor(kD), 60);
    Fill(s, 33, 100);
}

// Orders 34-36, D minor: the water. Half time fading to brushes, then pads, bells and wind,
// velocities falling with the picture; order 35 turns to the dominant (Gm7, Asus4) and the
// cadence lands on D minor at 36/0, then every channel fades to nothing with the picture's fade
// to black, silent well before the show ends at 37/0.
void ComposeWater(Score& s) {
    const Progression a = {{Min9(kD), 16}, {Maj7(kBb), 16}, {Maj7(kF), 16}, {Sus2(kC), 16}};
    const Progression b = {{Maj7(kF), 32}, {Min7(kG), 16}, {Sus4(kA), 16}};
    const Progression home = {{Min9(kD), 64}};
    const Progression plan[2] = {a, b};
    constexpr uint32_t kPad[2] = {26, 22};
    Downbeat(s, At(34, 0), 50, kImpactBoom, 30);
    s.Hit(At(34, 0), kChPerc2, kDownlifter, 36);
    for (const uint32_t channel : {kChLead, kChEcho, kChBass, kChArp, kChKeys2})
        s.KeyOff(At(34, 0), channel);
    for (uint32_t k = 0; k < 2; ++k) {
        const uint32_t order = 34 + k;
        Pads(s, order, plan[k], kChPad1, 3, kPadWarm, 62, kPad[k]);
        BassLine(s, order, plan[k], kChSub, kSubBass, kHeldRootTwoBars, kSubFloor, 40 - 6 * k);
    }
    Pads(s, 34, a, kChStrings, 1, kStrings, 69, 20);
    Pads(s, 35, b, kChStrings, 1, kStrings, 69, 18);
    DrumLine(s, 34, kChKick, kKickSoft, kHalfKick, 80);
    DrumLine(s, 34, kChSnare, kSnareGhost, kHalfSnare, 80);
    DrumLine(s, 34, kChHat, kHatClosed, kEighthHats, 40);
    DrumLine(s, 35, kChHat, kHatClosed, "x...x...x...x...", 35);
    DrumLine(s, 35, kChPerc, kShaker, "o.o.o.o.o.o.o.o.", 50);
    Melody(s, At(34, 0), kChKeys, kElectricPiano, kThemeM, 30);
    Melody(s, At(35, 0), kChKeys, kBell,
           "A5 . . . . . . . . . . . . . . . | E5 . . . . . . . F5 . . . . . . . |"
           "G5 . . . . . . . . . . . . . . . | E5 . . . . . . . . . . . . . . .",
           24);
    Echo(s, At(34, 0), At(36, 0), kChKeys, kChKeys2, kEchoDelay, 40, kPanLeft, At(36, 0));

    // The cadence: the tonic on every held voice, a bell on the D, then the fade.
    const uint32_t cadence = At(kCadenceOrder, 0);
    Pads(s, kCadenceOrder, home, kChPad1, 3, kPadWarm, 62, 24);
    Pads(s, kCadenceOrder, home, kChStrings, 1, kStrings, 69, 20);
    s.Note(cadence, kChSub, NoteAtOrAbove(kD, kSubFloor), kSubBass, 36);
    s.Note(cadence, kChKeys, 74, kBell, 26);
    s.Hit(cadence, kChCrash, kCrash, 24);
    s.Hit(cadence, kChKick, kKickSoft, 40);
    s.Clear(cadence + 1, At(kCadenceOrder + 1, 0), {kChKick, kChSnare, kChHat, kChPerc, kChPerc2});
    constexpr uint32_t kFadeFrom = 4;
    constexpr uint32_t kSilentAt = kCadenceRingRows + 24;
    for (uint32_t row = kFadeFrom; row <= kSilentAt; row += 2)
        for (uint32_t channel = 0; channel < kChannelCount; ++channel) {
            const uint32_t volume = (channel == kChAtmos ? kCrackleBase : 40) * (kSilentAt - row) /
                                    (kSilentAt - kFadeFrom);
            s.Volume(At(kCadenceOrder, row), channel, volume);
        }
    for (uint32_t channel = 0; channel < kChannelCount; ++channel)
        s.KeyOff(At(kCadenceOrder, kSilentAt + 1), channel);
}

// Order 37 at speed 31, played only when the module plays on its own: the D minor (add 9)
// chord again as a coda, from row 1 so that it starts half a second after the show has ended;
// key-off at row 10, next order at row 14. The tail pattern (orders 38-41) breaks at once, so
// the release finishes quietly.
void ComposeClosing(Score& s) {
    const uint32_t at = At(kClosingOrder, 1);
    s.Effect(At(kClosingOrder, 0), kChKick, kXmEffectSpeed, kClosingSpeed);
    s.Note(at, kChSub, NoteAtOrAbove(kD, kSubFloor), kSubBass, 30);
    s.Note(at, kChBass, 38, kPadDark, 20);
    s.Note(at, kChPad1, 50, kPadWarm, 22);
    s.Note(at, kChPad2, 57, kPadWarm, 20);
    s.Note(at, kChPad3, 64, kPadWarm, 18);
    s.Note(at, kChPad4, 65, kChoir, 16);
    s.Note(at, kChStrings, 69, kStrings, 18);
    s.Note(at, kChKeys, 74, kBell, 22);
    for (const uint32_t channel :
         {kChSub, kChBass, kChPad1, kChPad2, kChPad3, kChPad4, kChStrings, kChEcho, kChKeys2})
        s.KeyOff(At(kClosingOrder, 10), channel);
    s.Effect(At(kClosingOrder, 14), kChKick, kEffectBreak, 0);
}

}  // namespace

XmModule ComposeSoundtrack(uint32_t crackleFrames) {
    Score s(kTimelineOrders);
    s.Effect(At(0, 0), kChKick, kXmEffectSpeed, kSongSpeed);
    s.Effect(At(0, 0), kChSnare, kXmEffectSpeed, kSongBpm);
    ComposeTitle(s);
    ComposeWireframe(s);
    ComposeDarkening(s);
    ComposeGlass(s);
    ComposeRays(s);
    ComposeStringWeb(s);
    ComposeEcho(s);
    ComposeMorph(s);
    ComposeTunnelAndTwins(s);
    ComposeWave(s);
    ComposeBump(s);
    ComposePeak(s);
    ComposeWater(s);
    ComposeClosing(s);
    for (uint32_t order = 0; order <= kClosingOrder; ++order)
        s.ScaleVolumes(order, kOrderDynamics[order], {kChAtmos});

    XmModule song = NewXmModule("Tamberlinoth", "qx composer", kSongChannels, kSongSpeed, kSongBpm);
    // Each distinct order once, in order of first use; repeated orders share their pattern.
    for (const XmPattern& pattern : s.Patterns()) {
        const auto same = std::find(song.patterns.begin(), song.patterns.end(), pattern);
        song.orders.push_back(static_cast<uint8_t>(same - song.patterns.begin()));
        if (same == song.patterns.end()) song.patterns.push_back(pattern);
    }
    XmPattern tail(kSongRows, kSongChannels);
    tail.At(0, kChKick).effect = kEffectBreak;
    song.orders.insert(song.orders.end(), kTailOrders, static_cast<uint8_t>(song.patterns.size()));
    song.patterns.push_back(tail);
    song.instruments = MakeInstrumentBank(crackleFrames);
    return song;
}

std::vector<uint8_t> MakeSoundtrack() {
    // The crackle's 8-bit frames are one byte each: measure the song with a one-frame crackle,
    // then give the crackle every byte left up to the fixed size.
    constexpr uint32_t kProbeFrames = 1;
    XmModule song = ComposeSoundtrack(kProbeFrames);
    std::vector<uint8_t> file;
    const char* failure = "";
    if (!WriteXm(song, file, failure) || file.size() - kProbeFrames >= kModuleSize ||
        song.patterns.size() != kSongPatterns) {
        std::fprintf(stderr, "soundtrack: %s (%zu bytes, %zu patterns)\n",
                     failure != nullptr ? failure : "over size or pattern count", file.size(),
                     song.patterns.size());
        return {};
    }
    const auto crackleFrames = static_cast<uint32_t>(kModuleSize - (file.size() - kProbeFrames));
    song.instruments[kCrackle - 1] = MakeCrackleInstrument(crackleFrames);
    if (!WriteXm(song, file, failure) || file.size() != kModuleSize) return {};
    return file;
}

}  // namespace qx
