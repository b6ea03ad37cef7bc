// One frame of every row of the scene table, composed a second time from the same pictures, the
// same random numbers and the same grain noise with the effects library's own routines, in the
// order each scene builds its picture: which picture it starts from, where its text strips go,
// its lines, sprites and faces, the trail decay, the grey conversion, the echo blend, and the
// film finish and fade step in their order. The shown picture must match to the last bit, and
// the frame must draw exactly as many random numbers as the composition.
//
// Inputs are synthetic and different everywhere: every grey background has its own base level,
// every pictext pixel its own value (one in five transparent), the work and spare pictures a
// pattern of their own, so a frame that reads the wrong picture, row or offset shows it. The fade
// level is held at 60 with the fade slot empty, so white and black fades both show.
#include <algorithm>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "data/object_image.h"
#include "effects/bump_water.h"
#include "effects/face_list.h"
#include "effects/picture_filters.h"
#include "effects/precalculation.h"
#include "effects/rotozoom_plasma.h"
#include "effects/tunnel.h"
#include "scenes/scene_fixture.h"

namespace qx::test {
namespace {

using Picture = std::vector<uint32_t>;

enum class Frame {
    Title,
    Wireframe,
    WireframeFadingTitle,
    FlareCloud,
    Glass,
    Rays,
    RaysWithJitter,
    StringWebWithText,
    StringWeb,
    GreyEcho,
    FilmRoll,
    WebOverPicture,
    Morph,
    Tunnel,
    Twins,
    Wave,
    WebTrails,
    Bump,
    ChromeWhite,
    ChromeBlack,
    RotozoomWhite,
    RotozoomBlack,
    Water,
};

struct RowFrame {
    uint32_t row;
    uint32_t setUpRow;  // the row whose enter routine sets the scene up
    Frame frame;
    const char* name;
};

void PrintTo(const RowFrame& f, std::ostream* os) { *os << "row " << f.row << " " << f.name; }

constexpr uint8_t kHeldFadeLevel = 60;
constexpr uint32_t kLineGrey = 0x303030;
constexpr uint32_t kTitleFocusPasses = 2;
constexpr uint8_t kRolledRows = 46;  // the film rolled on by two steps of 23 rows
constexpr uint32_t kRowPixels = kPictureWidth;

uint32_t Grey(uint32_t level) { return level * 0x010101; }

// Every pixel as one 32-bit number less k, 0 where it was below k.
void Decay(Picture& picture, uint32_t k) {
    for (uint32_t& p : picture) p = p >= k ? p - k : 0;
}

// g = (blue + 2 x green + red) / 4, on all three channels.
void ConvertToGreyLevels(Picture& picture) {
    for (uint32_t& p : picture)
        p = Grey(((p & 0xFF) + 2 * ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF)) / 4);
}

void DrawStrip(Picture& picture, uint32_t firstRow, uint32_t rows, uint32_t offset) {
    CopyNonZeroRows(assetBuffers.pictext + firstRow * kRowPixels, picture.data() + offset, rows);
}

// The film finish and the steps around it, one letter each, in the order given: G grain (then
// the noise evolves), B four dim bands, S four scratches, E the echo blend with `echo`, W the
// white fade step, K the black fade step.
void Finish(Picture& picture, std::string_view steps, const Picture* echo = nullptr) {
    uint32_t* p = picture.data();
    for (const char step : steps) {
        switch (step) {
            case 'G':
                AddGrain(p, p);
                EvolveNoise();
                break;
            case 'B':
                for (int i = 0; i < 4; ++i) DrawDimBand(p);
                break;
            case 'S':
                for (int i = 0; i < 4; ++i) DrawScratch(p);
                break;
            case 'E':
                AveragePictures(echo->data(), p, p);
                break;
            case 'W':
                BrightenByFadeLevel(p, p);
                break;
            case 'K':
                DarkenByFadeLevel(p, p);
                break;
            default:
                FAIL() << "unknown finish step " << step;
        }
    }
}

// The faces the frame's transform pass gathered, drawn again into `picture`.
void DrawFacesInto(Picture& picture) {
    uint32_t* const target = rasteriserState.renderTarget;
    rasteriserState.renderTarget = picture.data();
    DrawFaceList();
    rasteriserState.renderTarget = target;
}

// Additive grey lines into `picture`, between the given end points.
template <typename Lines>
void DrawLinesInto(Picture& picture, Lines lines) {
    const LineState saved = lineState;
    lineState.lineTarget = picture.data();
    lineState.plotRoutine = PlotAdditive;
    lineState.lineColour = kLineGrey;
    lines();
    lineState = saved;
}

// A trail buffer one frame on: the lines drawn over the last frame's trails, then every channel
// down by the buffer's grey step.
template <typename Lines>
Picture Trails(const Picture& last, Lines lines, uint32_t step) {
    Picture trails = last;
    DrawLinesInto(trails, lines);
    Decay(trails, step);
    return trails;
}

const MeshVertex* Projected(const ObjectRecord& object) {
    return ImageArray<const MeshVertex>(object.transformedVertices);
}

// Each web line: a vertex's model (x, y) taken as picture coordinates, to its projection.
void DrawWebLines() {
    const ObjectRecord& web = *Objects().web;
    const MeshVertex* model = ImageArray<const MeshVertex>(web.vertexArray);
    for (int32_t i = 0; i < web.vertexCount; ++i)
        DrawLine(model[i].x, model[i].y, Projected(web)[i].x, Projected(web)[i].y);
}

// Each ray: from a projected point of the ball to the picture centre (160, 100).
void DrawRays() {
    const ObjectRecord& ball = *Objects().rays;
    for (int32_t i = 0; i < ball.vertexCount; ++i)
        DrawLine(Projected(ball)[i].x, Projected(ball)[i].y, 160, 100);
}

// Each edge of the wireframe mesh, between the projections of its two vertices.
void DrawWireframeEdges() {
    const ObjectRecord& mesh = *Objects().wireframe;
    const MeshEdge* edges = ImageArray<const MeshEdge>(mesh.edgeArray);
    for (int32_t i = 0; i < mesh.edgeCount; ++i) {
        const MeshVertex& a = VertexAt(Projected(mesh), edges[i].a);
        const MeshVertex& b = VertexAt(Projected(mesh), edges[i].b);
        DrawLine(a.x, a.y, b.x, b.y);
    }
}

// One flare per point of the cloud: size (depth - 768) / 8, cut to a byte; 0 draws nothing.
void DrawFlares(Picture& picture) {
    const ObjectRecord& cloud = *Objects().flareCloud;
    for (int32_t i = 0; i < cloud.vertexCount; ++i) {
        const MeshVertex& p = Projected(cloud)[i];
        const uint32_t size = ((static_cast<uint32_t>(p.z) - 768) >> 3) & 0xFF;
        if (size != 0) DrawAdditiveSprite(assetBuffers.flarebbw, p.x, p.y, size, picture.data());
    }
}

Picture Expanded(const uint8_t* grey) {
    Picture picture(kPicturePixels);
    ExpandGreyPicture(grey, picture.data());
    return picture;
}

struct Composed {
    Picture shown;
    std::optional<Picture> spare;  // the spare picture after the frame, where it matters
};

// The frame of each scene from its inputs; the random generator, the noise, the plasma and the
// water are where they were before the frame.
Composed Compose(Frame frame, const Picture& work, const Picture& spare,
                 const std::vector<uint8_t>& title) {
    Composed out;
    Picture& p = out.shown = work;
    switch (frame) {
        case Frame::Title: {
            // The grey copy is smeared in the spare picture's first 64,000 bytes.
            std::vector<uint8_t> grey = title;
            for (uint32_t pass = 0; pass < kTitleFocusPasses; ++pass)
                SmearDiagonal(grey.data(), grey.data());
            p = Expanded(grey.data());
            Finish(p, "GK");
            out.spare = spare;
            std::memcpy(out.spare->data(), grey.data(), kGreyPictureBytes);
            break;
        }
        case Frame::Wireframe:
        case Frame::WireframeFadingTitle: {
            const Picture trails = Trails(spare, DrawWireframeEdges, 0x050505);
            p = Expanded(title.data());
            AddPicturesSaturated(trails.data(), p.data(), p.data());
            Finish(p, frame == Frame::Wireframe ? "G" : "GB");
            out.spare = trails;
            break;
        }
        case Frame::FlareCloud:
            p = Expanded(assetBuffers.back1);
            DrawFlares(p);
            Finish(p, "GBW");
            break;
        case Frame::Glass:
            p = Expanded(assetBuffers.back3);
            DrawFacesInto(p);
            Finish(p, "GBW");
            break;
        case Frame::Rays:
        case Frame::RaysWithJitter: {
            const Picture trails = Trails(spare, DrawRays, 0x101010);
            p = trails;
            Finish(p, "GBSK");
            out.spare = trails;
            if (frame == Frame::RaysWithJitter && NextRandom(2) == 0) {
                // Read from one pixel earlier: everything one pixel on, the first pixel black.
                std::copy_backward(p.begin(), p.end() - 1, p.end());
                p[0] = 0;
            }
            break;
        }
        case Frame::StringWebWithText:
        case Frame::StringWeb:
            std::fill(p.begin(), p.end(), 0u);
            DrawLinesInto(p, DrawWebLines);
            if (frame == Frame::StringWebWithText) {
                DrawStrip(p, 0, 20, 22 * kRowPixels);
                DrawStrip(p, 20, 24, 170 * kRowPixels);
            }
            Finish(p, "GBSW");
            break;
        case Frame::GreyEcho:
            // Over the previous picture; the first frame blends with the spare picture as it was.
            DrawFacesInto(p);
            ConvertToGreyLevels(p);
            Finish(p, "BSEW", &spare);
            out.spare = spare;
            break;
        case Frame::FilmRoll: {
            // The objects on black over 230 rows, the last 30 black, rolled into the spare
            // picture, which is brightened before its grain and shown.
            Picture film(kPicturePixels + 30 * kRowPixels, 0u);
            DrawFacesInto(film);
            p.assign(kPicturePixels, 0u);
            CopyScrolled(film.data(), p.data());
            Finish(p, "WGBS");
            out.spare = p;
            break;
        }
        case Frame::WebOverPicture:
            p = Expanded(assetBuffers.back4);
            DrawLinesInto(p, DrawWebLines);
            Finish(p, "GBSW");
            break;
        case Frame::Morph:
            DrawFacesInto(p);
            Finish(p, "GBSEW", &spare);
            out.spare = spare;
            break;
        case Frame::Tunnel: {
            Picture tunnel = spare;
            DrawInterference(assetBuffers.texture4, p.data());
            DrawTunnel(assetBuffers.texture4, tunnel.data());
            AveragePictures(tunnel.data(), p.data(), p.data());
            DrawStrip(p, 112, 25, 130 * kRowPixels);
            Finish(p, "GBSW");
            out.spare = tunnel;
            break;
        }
        case Frame::Twins:
            p = Expanded(assetBuffers.back5);
            DrawFacesInto(p);
            DrawStrip(p, 137, 17, 180 * kRowPixels + 150);
            Finish(p, "GBSEK", &spare);
            out.spare = spare;
            break;
        case Frame::Wave:
            DrawTablePlasma(assetBuffers.texture6, p.data());
            DrawStrip(p, 154, 25, 160 * kRowPixels);
            Finish(p, "GBSK");
            break;
        case Frame::WebTrails: {
            Picture trails = spare;
            DrawLinesInto(trails, DrawWebLines);
            DrawFacesInto(trails);
            Decay(trails, 0x202020);
            p = trails;
            Finish(p, "GBSK");
            out.spare = trails;
            break;
        }
        case Frame::Bump:
            // The light from entry 64 of table A and entry 0 of table B, where the indices start.
            bumpState.lightColumn = static_cast<uint8_t>(lightSineTableA[64] - 100);
            bumpState.lightRow = static_cast<uint8_t>(lightSineTableB[0] + 240);
            DrawBumpLight(assetBuffers.picbump, slopeMaps, assetBuffers.flarebmp, p.data());
            std::fill_n(p.begin(), 2 * kRowPixels, 0u);
            std::fill_n(p.begin() + 199 * kRowPixels, kRowPixels, 0u);
            for (uint32_t y = 0; y < kPictureHeight; ++y)
                p[y * kRowPixels] = p[y * kRowPixels + kRowPixels - 1] = 0;
            DrawStrip(p, 95, 17, 170 * kRowPixels);
            Finish(p, "GBSW");
            break;
        case Frame::ChromeWhite:
        case Frame::ChromeBlack:
            p = Expanded(assetBuffers.back2);
            DrawFacesInto(p);
            Finish(p, frame == Frame::ChromeWhite ? "GBSW" : "GBSK");
            break;
        case Frame::RotozoomWhite:
        case Frame::RotozoomBlack:
            BuildRotozoomTables();
            DrawRotozoom(assetBuffers.texture5, p.data());
            Finish(p, frame == Frame::RotozoomWhite ? "GBSW" : "GBSK");
            break;
        case Frame::Water:
            StepAndDrawWater(assetBuffers.piclogo, p.data());
            Finish(p, "GBSK");
            break;
    }
    return out;
}

// Everything a frame draws from besides its pictures.
struct Generators {
    RandomState random = randomState;
    FilmGrainState grain = filmGrainState;
    PlasmaState plasma = plasmaState;
    WaterState water = waterState;
    std::vector<int16_t> fieldA{std::begin(waterFieldA), std::end(waterFieldA)};
    std::vector<int16_t> fieldB{std::begin(waterFieldB), std::end(waterFieldB)};

    void Restore() const {
        randomState = random;
        filmGrainState = grain;
        plasmaState = plasma;
        waterState = water;
        std::copy(fieldA.begin(), fieldA.end(), waterFieldA);
        std::copy(fieldB.begin(), fieldB.end(), waterFieldB);
    }
};

void ExpectSamePicture(const uint32_t* actual, const Picture& expected, const char* what) {
    uint32_t differing = 0;
    uint32_t first = 0;
    for (uint32_t i = 0; i < kPicturePixels; ++i) {
        if (actual[i] == expected[i]) continue;
        if (differing++ == 0) first = i;
    }
    EXPECT_EQ(differing, 0u) << what << ": first at row " << first / kRowPixels << " column "
                             << first % kRowPixels << ", " << std::hex << actual[first]
                             << " instead of " << expected[first];
}

class SceneFrameTest : public SceneTest, public testing::WithParamInterface<RowFrame> {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        auto greyPicture = [](uint8_t* picture, uint8_t base) {
            for (uint32_t i = 0; i < kGreyPictureBytes; ++i)
                // Every level from black to white, so that fades and grain clamp somewhere and
                // the order of a darkening and the grain shows.
                picture[i] = static_cast<uint8_t>(base + (i * 7 + i / kRowPixels * 3) % 29 * 9);
        };
        greyPicture(assetBuffers.title8, 0x60);
        greyPicture(assetBuffers.back1, 0x20);
        greyPicture(assetBuffers.back2, 0x40);
        greyPicture(assetBuffers.back3, 0x08);
        greyPicture(assetBuffers.back4, 0x50);
        greyPicture(assetBuffers.back5, 0x70);
        for (uint32_t i = 0; i < kPicturePixels; ++i) {
            assetBuffers.pictext[i] = i % 5 == 0 ? 0 : 0x00400000 | i;
            assetBuffers.picbump[i] = Colour(i, 0x7F7F7F);
            assetBuffers.piclogo[i] = Colour(i * 3, 0x9F9F9F);
        }
        uint32_t seed = 0;
        for (uint32_t* texture :
             {assetBuffers.texture1, assetBuffers.texture2, assetBuffers.texture3,
              assetBuffers.texture4, assetBuffers.texture5, assetBuffers.texture6,
              assetBuffers.texture8, assetBuffers.flare, assetBuffers.flarebmp}) {
            seed += 7919;
            for (uint32_t i = 0; i < kTextureTexels; ++i) texture[i] = Colour(i + seed, 0xBFBFBF);
        }
        // Faint flares, so that overlapping sprites still show their sum.
        for (uint32_t i = 0; i < kTextureTexels; ++i)
            assetBuffers.flarebbw[i] = Grey((i >> 6) & 0x0F);
    }
    // A colour that differs from pixel to pixel, within `mask`.
    static uint32_t Colour(uint32_t i, uint32_t mask) {
        const uint32_t h = i * 2654435761u;
        return (h ^ (h >> 13)) & mask;
    }
};

TEST_P(SceneFrameTest, ShowsThePictureItsSceneComposes) {
    const RowFrame& c = GetParam();
    if (c.setUpRow != c.row) EnterRow(c.setUpRow);
    EnterRow(c.row);
    UnregisterTickSlot(kFadeSlot);  // hold the level
    fadeState.fadeLevel = kHeldFadeLevel;
    lineState.lineColour = kLineGrey;
    sceneVariables.focusPasses = kTitleFocusPasses;
    scrollState.scrollRow = kRolledRows;
    Picture work(kPicturePixels), spare(kPicturePixels);
    for (uint32_t i = 0; i < kPicturePixels; ++i) {
        work[i] = Colour(i, 0xFFFFFF);
        spare[i] = Grey((i * 37 + i / kRowPixels) & 0xFF);  // every level, like a trail buffer
    }
    std::copy(work.begin(), work.end(), workPicture);
    std::copy(spare.begin(), spare.end(), sparePicture);
    std::vector<uint8_t> title(assetBuffers.title8, assetBuffers.title8 + kGreyPictureBytes);
    const Generators before;

    ASSERT_TRUE(Pass(RowStart(c.row), 0));
    ASSERT_EQ(CurrentRow(), c.row);
    const Generators after;
    const Picture shown(framebuffer.begin(), framebuffer.begin() + kPicturePixels);
    const Picture spareAfter(sparePicture, sparePicture + kPicturePixels);
    const std::vector<uint8_t> titleAfter(assetBuffers.title8,
                                          assetBuffers.title8 + kGreyPictureBytes);

    before.Restore();
    const Composed expected = Compose(c.frame, work, spare, title);
    ExpectSamePicture(shown.data(), expected.shown, "shown picture");
    if (expected.spare) ExpectSamePicture(spareAfter.data(), *expected.spare, "spare picture");
    EXPECT_EQ(after.random.state, randomState.state) << "a different count of random numbers";
    EXPECT_TRUE(std::equal(std::begin(after.grain.noiseTable), std::end(after.grain.noiseTable),
                           std::begin(filmGrainState.noiseTable)))
        << "the noise evolved a different number of times";

    // Only the wireframe with fading title darkens the loaded title picture, by one level.
    if (c.frame == Frame::WireframeFadingTitle)
        for (uint8_t& level : title) level = level == 0 ? 0 : level - 1;
    EXPECT_TRUE(titleAfter == title) << "title picture after the frame";
}

std::string RowName(const testing::TestParamInfo<RowFrame>& info) {
    const uint32_t row = info.param.row;
    return std::string("Row") + static_cast<char>('0' + row / 10) +
           static_cast<char>('0' + row % 10) + info.param.name;
}

// The frame routine each row plays, grouped by scene family; a row's test is named after it.
#define ROW_FRAME(row, setUpRow, frame) \
    RowFrame { row, setUpRow, Frame::frame, #frame }
#define SCENE_ROWS(family, ...) \
    INSTANTIATE_TEST_SUITE_P(family, SceneFrameTest, testing::Values(__VA_ARGS__), RowName)
SCENE_ROWS(OpeningRows, ROW_FRAME(0, 0, Title), ROW_FRAME(1, 1, Wireframe),
           ROW_FRAME(2, 1, WireframeFadingTitle), ROW_FRAME(3, 1, WireframeFadingTitle));
SCENE_ROWS(ObjectRows, ROW_FRAME(4, 4, FlareCloud), ROW_FRAME(5, 5, Glass), ROW_FRAME(6, 5, Glass),
           ROW_FRAME(23, 23, Twins), ROW_FRAME(33, 33, ChromeWhite),
           ROW_FRAME(34, 33, ChromeBlack));
SCENE_ROWS(LineRows, ROW_FRAME(7, 7, Rays), ROW_FRAME(8, 7, RaysWithJitter), ROW_FRAME(9, 9, Rays),
           ROW_FRAME(10, 10, StringWebWithText), ROW_FRAME(11, 10, StringWeb),
           ROW_FRAME(12, 10, StringWeb), ROW_FRAME(13, 10, StringWeb), ROW_FRAME(14, 10, StringWeb),
           ROW_FRAME(15, 10, StringWeb), ROW_FRAME(16, 10, StringWeb),
           ROW_FRAME(19, 19, WebOverPicture), ROW_FRAME(25, 25, WebTrails));
SCENE_ROWS(EchoRows, ROW_FRAME(17, 17, GreyEcho), ROW_FRAME(18, 17, FilmRoll),
           ROW_FRAME(20, 20, Morph), ROW_FRAME(21, 20, Morph));
SCENE_ROWS(PictureEffectRows, ROW_FRAME(22, 22, Tunnel), ROW_FRAME(24, 24, Wave),
           ROW_FRAME(26, 26, Bump), ROW_FRAME(27, 26, Bump), ROW_FRAME(28, 26, Bump),
           ROW_FRAME(29, 26, Bump), ROW_FRAME(30, 26, Bump), ROW_FRAME(31, 26, Bump),
           ROW_FRAME(32, 26, Bump), ROW_FRAME(35, 35, RotozoomWhite),
           ROW_FRAME(36, 35, RotozoomBlack), ROW_FRAME(37, 37, Water), ROW_FRAME(38, 37, Water));
#undef SCENE_ROWS
#undef ROW_FRAME

using SceneLayersTest = SceneTest;

// A trail buffer loses its grey step on every frame: 5 levels in the wireframe, 16 in the rays,
// 32 in the web trails, down to black and no further. The wireframe adds its trails onto the
// title rather than averaging them with it. Lines of line colour 0 add nothing, and the web
// object is kept out of view so that no faces land in its trails.
TEST_F(SceneLayersTest, TrailsLoseTheirGreyStepEveryFrameUntilBlack) {
    std::fill(std::begin(filmGrainState.noiseTable), std::end(filmGrainState.noiseTable), 0);
    std::fill_n(assetBuffers.title8, kGreyPictureBytes, 0x40);
    constexpr uint32_t kTrail = 0x50;
    struct TrailCase {
        uint32_t row;
        uint32_t levelsPerFrame;
    };
    for (const TrailCase& c : {TrailCase{1, 5}, TrailCase{7, 16}, TrailCase{25, 32}}) {
        SCOPED_TRACE(testing::Message() << "row " << c.row);
        EnterRow(c.row);
        UnregisterTickSlot(kFadeSlot);
        fadeState.fadeLevel = 0;
        lineState.lineColour = 0;
        Objects().web->directTracks[kVisibleTrack - kAccumulatingTracks].currentDelta = 0;
        std::fill_n(sparePicture, kPicturePixels, Grey(kTrail));
        const uint32_t framesToBlack = (kTrail + c.levelsPerFrame - 1) / c.levelsPerFrame;
        for (uint32_t frame = 1; frame <= framesToBlack + 1; ++frame) {
            ASSERT_TRUE(Pass(RowStart(c.row), 0));
            const uint32_t lost = frame * c.levelsPerFrame;
            const uint32_t trail = Grey(lost >= kTrail ? 0 : kTrail - lost);
            ASSERT_TRUE(std::all_of(sparePicture, sparePicture + kPicturePixels,
                                    [trail](uint32_t p) { return p == trail; }))
                << "frame " << frame << ": " << std::hex << sparePicture[0];
            if (c.row != 1) continue;
            ASSERT_TRUE(std::all_of(framebuffer.begin(), framebuffer.begin() + kPicturePixels,
                                    [trail](uint32_t p) { return p == Grey(0x40) + trail; }))
                << "frame " << frame << ": " << std::hex << framebuffer[0];
        }
    }
}

// The echo scenes copy the previous frame's finished picture into the spare picture every
// fourth (grey echo) or eighth (morph, twins) frame, the first time on the frame after that
// many; until then they blend with the spare picture as the scene found it.
TEST_F(SceneLayersTest, EchoTakesThePreviousPictureOnTheFrameAfterItsPeriod) {
    struct EchoCase {
        uint32_t row;
        uint32_t period;
    };
    constexpr uint32_t kOldLayer = 0x00123456;
    for (const EchoCase& c : {EchoCase{17, 4}, EchoCase{20, 8}, EchoCase{23, 8}}) {
        SCOPED_TRACE(testing::Message() << "row " << c.row);
        EnterRow(c.row);
        fadeState.fadeLevel = 0;
        std::fill_n(sparePicture, kPicturePixels, kOldLayer);
        Picture previous;
        for (uint32_t frame = 1; frame <= c.period + 1; ++frame) {
            ASSERT_TRUE(Pass(RowStart(c.row), 0));
            const bool copied = frame > c.period;
            ASSERT_TRUE(copied ? std::equal(previous.begin(), previous.end(), sparePicture)
                               : std::all_of(sparePicture, sparePicture + kPicturePixels,
                                             [](uint32_t p) { return p == kOldLayer; }))
                << "frame " << frame;
            previous.assign(framebuffer.begin(), framebuffer.begin() + kPicturePixels);
        }
    }
}

}  // namespace
}  // namespace qx::test
