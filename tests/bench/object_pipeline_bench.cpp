// Prints the cost of one frame of the 3D pipeline for the heaviest object sets of the production:
// the morph scene's four objects (red flare ring, textured object and one morph mesh, the mesh
// changing every frame) and the grey echo's three (textured object, swinging object, white flare
// ring). Each figure is the median over batches of the mean per frame, split into the transform
// pass with the animation step and the sort with the face drawing. Target: under 0.5 ms a frame.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "archive/asset_catalogue.h"
#include "base/picture.h"
#include "bench_timing.h"
#include "data/object_image.h"
#include "effects/face_list.h"
#include "effects/rasterisers.h"
#include "effects/transform.h"

namespace {

using namespace qx;

constexpr int kFramesPerBatch = 39;  // one whole morph cycle

double MedianMicroseconds(const std::function<void()>& frame) {
    return qx::bench::MedianMicrosecondsPerCall(frame, kFramesPerBatch);
}

void Report(const char* name, const std::function<void()>& chooseObjects) {
    const auto transform = [&] {
        chooseObjects();
        TransformObjects();
        AdvanceObjects();
    };
    const double transformOnly = MedianMicroseconds(transform);
    uint32_t faces = 0;
    const double whole = MedianMicroseconds([&] {
        transform();
        faces = faceListState.faceCount;
        DrawFaceList();
    });
    std::printf(
        "%-34s %8.1f us a frame  (transform and animation %6.1f us, sort and draw %6.1f us, "
        "%u faces)\n",
        name, whole, transformOnly, whole - transformOnly, faces);
}

}  // namespace

int main() {
    static uint32_t picture[kPicturePixels];
    for (uint32_t i = 0; i < kTextureTexels; ++i)  // textured spans cost what they cost with data
        assetBuffers.texture2[i] = assetBuffers.texture3[i] = assetBuffers.flare[i] =
            assetBuffers.flarebbw[i] = i * 2654435761u;
    rasteriserState.renderTarget = picture;
    SetUpProjection();
    ClearSortBuckets();
    const ProductionObjects& o = Objects();

    objectState.objectList.count = 42;  // as the morph set-up lists them
    objectState.objectList.objects[0] = o.camera;
    objectState.objectList.objects[1] = o.redFlareRing;
    objectState.objectList.objects[2] = o.textured;
    std::copy(o.morphMeshTable.begin(), o.morphMeshTable.end(), objectState.objectList.objects + 3);
    SetUpObjects();
    uint32_t morphIndex = 0;
    Report("morph (ring, textured, one mesh)", [&] {
        morphIndex = morphIndex == kMorphMeshCount - 1 ? 0 : morphIndex + 1;
        SetObjectList({o.camera, o.redFlareRing, o.textured, o.morphMeshTable[morphIndex]});
    });

    SetObjectList({o.camera, o.textured, o.swinging, o.whiteFlareRing});
    SetUpObjects();
    Report("grey echo (textured, swinging, ring)", [] {});
    return 0;
}
