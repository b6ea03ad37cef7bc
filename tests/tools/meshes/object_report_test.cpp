#include "tools/meshes/object_report.h"

#include <gtest/gtest.h>

#include <string>

#include "data/object_image.h"
#include "effects/object_test_image.h"
#include "tools/meshes/object_image_writer.h"
#include "tools/meshes/production_objects.h"

namespace qx {
namespace {

TEST(ObjectReportTest, DescribesCountsModeTextureMotionAndKeys) {
    const int32_t chrome = FindImageObject("chrome");
    ASSERT_EQ(chrome, static_cast<int32_t>(ObjectId::Chrome));
    const std::string text = DescribeObject(*ImageObject(chrome), "chrome");
    for (const char* line :
         {"chrome\n", "  vertices 482, faces 963, edges 0\n",
          "  drawing mode 2 (environment-mapped), texture flarebbw, second array transformed\n",
          "  focal length 1024, position (0, 0, 12000)\n",
          "  state 1, visible 1, loop 1, last key 1\n",
          "  track 0 rotation x    {1.1, 10 steps} {1.4, 10 steps}\n",
          "  track 9 visible       {1, for ever} {1, for ever}\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "in\n" << text;
    EXPECT_EQ(FindImageObject("morph-38"), static_cast<int32_t>(kImageObjectCount - 1));
    EXPECT_EQ(FindImageObject("morph-39"), -1);
}

TEST(ObjectReportTest, WavefrontExportTurnsAxesAndWindingForViewers) {
    test::TestImage image({test::PlanOf(test::MeshOf({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {{0, 1, 2}},
                                                     {{0, 100, 0}, {0, 0, 100}, {100, 0, 0}}),
                                        kModeTexturedFixed)});
    EXPECT_EQ(WavefrontObj(*image.Object(1), "tri"),
              "# tri: 3 vertices, 1 faces (qxobjects)\no tri\n"
              "v 1 -2 -3\nv 4 -5 -6\nv 7 -8 -9\n"
              "vn 0 -100 0\nvn 0 0 -100\nvn 100 0 0\n"
              "f 1//1 3//3 2//2\n");
    objectState = {};
}

// The image linked into the program is the generator's output, byte for byte.
TEST(MeshGeneratorTest, WritesTheLinkedImageAgain) {
    EXPECT_EQ(WriteObjectImage(ProductionObjectPlans()), test::pristineObjectImage);
}

}  // namespace
}  // namespace qx
