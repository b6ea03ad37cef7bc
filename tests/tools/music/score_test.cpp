// The composer's part writers: note names, melodies with holds and key-offs, echoes that stop at
// their limit, diatonic thirds, bass roots and fifths following the chords, and voicings.
#include "tools/music/soundtrack/score.h"

#include <gtest/gtest.h>

#include "tools/music/synth/instruments.h"

namespace qx::score::test {
namespace {

constexpr uint8_t XmOf(int midi) { return static_cast<uint8_t>(midi - 11); }

TEST(Score, ParsesNoteNames) {
    EXPECT_EQ(ParseNote("C4", 2), 60);
    EXPECT_EQ(ParseNote("C#4", 3), 61);
    EXPECT_EQ(ParseNote("Bb2", 3), 46);
    EXPECT_EQ(ParseNote("Cb4", 3), 59);  // spelled across the octave line
    EXPECT_EQ(ParseNote("H4", 2), -1);
    EXPECT_EQ(ParseNote("C", 1), -1);
    EXPECT_EQ(ParseNote("C#", 2), -1);
    EXPECT_EQ(NoteAtOrAbove(kD, 40), 50);
    EXPECT_EQ(NoteAtOrAbove(kE, 40), 40);
}

TEST(Score, MelodiesEchoesAndThirdsLandOnTheirRows) {
    Score s(2);
    Melody(s, At(0, 60), kChLead, kLeadSoft, "A4 . C5 - E5", 40);
    EXPECT_EQ(s.Cell(At(0, 60), kChLead).note, XmOf(69));
    EXPECT_EQ(s.Cell(At(0, 61), kChLead).note, 0);
    EXPECT_EQ(s.Cell(At(0, 62), kChLead).volume, XmVolume(40));
    EXPECT_EQ(s.Cell(At(0, 63), kChLead).note, kXmKeyOff);
    EXPECT_EQ(s.Cell(At(1, 0), kChLead).note, XmOf(76));

    // Echoed three rows later at half velocity; nothing at or past the limit (1/2).
    Echo(s, At(0, 60), At(1, 1), kChLead, kChEcho, 3, 50, 0xB0, At(1, 2));
    EXPECT_EQ(s.Cell(At(0, 63), kChEcho).note, XmOf(69));
    EXPECT_EQ(s.Cell(At(0, 63), kChEcho).volume, XmVolume(20));
    EXPECT_EQ(s.Cell(At(0, 63), kChEcho).parameter, 0xB0);
    EXPECT_EQ(s.Cell(At(1, 1), kChEcho).note, XmOf(72));
    EXPECT_EQ(s.Cell(At(1, 2), kChEcho).note, 0);

    // A diatonic third below in A minor: A -> F, C -> A, E -> C.
    Harmonise(s, At(0, 60), At(1, 1), kChLead, kChKeys, NaturalMinor(kA), 100);
    EXPECT_EQ(s.Cell(At(0, 60), kChKeys).note, XmOf(65));
    EXPECT_EQ(s.Cell(At(0, 62), kChKeys).note, XmOf(69));
    EXPECT_EQ(s.Cell(At(0, 63), kChKeys).note, kXmKeyOff);
    EXPECT_EQ(s.Cell(At(1, 0), kChKeys).note, XmOf(72));
}

TEST(Score, BassFollowsTheRootsAndPadsHoldTheirChords) {
    Score s(1);
    const Progression prog = {{Min(kD), 32}, {Sus2(kC), 16}, {Maj(kBb), 16}};
    BassLine(s, 0, prog, kChBass, kReeseBass, "R...F...O...-...", 36, 48);
    EXPECT_EQ(s.Cell(At(0, 0), kChBass).note, XmOf(38));  // D
    EXPECT_EQ(s.Cell(At(0, 4), kChBass).note, XmOf(45));  // its fifth
    EXPECT_EQ(s.Cell(At(0, 8), kChBass).note, XmOf(50));  // its octave
    EXPECT_EQ(s.Cell(At(0, 12), kChBass).note, kXmKeyOff);
    EXPECT_EQ(s.Cell(At(0, 32), kChBass).note, XmOf(36));  // C
    EXPECT_EQ(s.Cell(At(0, 52), kChBass).note, XmOf(53));  // the fifth of Bb

    // Close voicings above centre - 6; a chord that repeats is not struck again.
    Pads(s, 0, {{Min(kD), 16}, {Min(kD), 16}, {Maj(kBb), 32}}, kChPad1, 3, kPadWarm, 64, 30);
    EXPECT_EQ(s.Cell(At(0, 0), kChPad1).note, XmOf(62));  // D F A
    EXPECT_EQ(s.Cell(At(0, 0), kChPad2).note, XmOf(65));
    EXPECT_EQ(s.Cell(At(0, 0), kChPad3).note, XmOf(69));
    EXPECT_EQ(s.Cell(At(0, 16), kChPad1).note, 0);
    EXPECT_EQ(s.Cell(At(0, 32), kChPad1).note, XmOf(58));  // Bb D F
    EXPECT_EQ(s.Cell(At(0, 32), kChPad2).note, XmOf(62));
    EXPECT_EQ(s.Cell(At(0, 32), kChPad3).note, XmOf(65));
}

}  // namespace
}  // namespace qx::score::test
