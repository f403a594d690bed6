#include "convert/geometry.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace dotcaster::convert {
namespace {

struct GeometryCase {
  std::string name;
  GeometryInput in;
  Size display;
  double scale_x, scale_y;
  float fx, fy;
  Size stretched;
  int off_left, off_top;
  float place_width, place_height;
  int ox, oy;  // margin dots on the left and on top
};

class GeometryTable : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(GeometryTable, MatchesTheDriver) {
  const GeometryCase& c = GetParam();
  auto g = ComputeGeometry(c.in);
  ASSERT_TRUE(g);
  EXPECT_EQ(g->display, c.display);
  EXPECT_DOUBLE_EQ(g->scale_x, c.scale_x);
  EXPECT_DOUBLE_EQ(g->scale_y, c.scale_y);
  EXPECT_FLOAT_EQ(g->fx, c.fx);
  EXPECT_FLOAT_EQ(g->fy, c.fy);
  EXPECT_EQ(g->stretched, c.stretched);
  EXPECT_EQ(g->off_left, c.off_left);
  EXPECT_EQ(g->off_top, c.off_top);
  EXPECT_EQ(g->place_width, c.place_width);
  EXPECT_EQ(g->place_height, c.place_height);
  const MonoPlacement p = PlaceInOutput(c.in.out_width, c.in.out_height, g->place_width,
                                        g->place_height, c.in.zoom_mode, c.in.just_zoom);
  EXPECT_EQ(p.ox, c.ox);
  EXPECT_EQ(p.oy, c.oy);
}

GeometryInput In(int sw, int sh, int ow, int oh, bool zoom, bool just,
                 std::optional<CropFrame> crop = std::nullopt) {
  GeometryInput in;
  in.src_width = sw;
  in.src_height = sh;
  in.out_width = ow;
  in.out_height = oh;
  in.zoom_mode = zoom;
  in.just_zoom = just;
  in.crop = crop;
  return in;
}

INSTANTIATE_TEST_SUITE_P(
    Driver, GeometryTable,
    ::testing::Values(
        GeometryCase{"Photo640To320",
                     In(640, 480, 320, 240, true, true),
                     {320, 240},
                     639.0 / 319,
                     479.0 / 239,
                     0.5f,
                     0.5f,
                     {320, 240},
                     0,
                     0,
                     320,
                     240,
                     0,
                     0},
        // fy = 64/480 is the smaller factor: 85 x 64 placed, 9 + 8 margin columns.
        GeometryCase{"Photo640ToDevice",
                     In(640, 480, 102, 64, true, true),
                     {320, 240},
                     639.0 / 319,
                     479.0 / 239,
                     64.0f / 480,
                     64.0f / 480,
                     {85, 64},
                     0,
                     0,
                     85,
                     64,
                     9,
                     0},
        // fx = 1.02 is the smaller factor: 102 x 51 placed, 7 + 6 margin rows.
        GeometryCase{"Small100x50ToDevice",
                     In(100, 50, 102, 64, true, true),
                     {100, 50},
                     1,
                     1,
                     1.02f,
                     1.02f,
                     {102, 51},
                     0,
                     0,
                     102,
                     51,
                     0,
                     7},
        GeometryCase{"DistortedStretch",
                     In(100, 50, 102, 64, true, false),
                     {100, 50},
                     1,
                     1,
                     1.02f,
                     1.28f,
                     {102, 64},
                     0,
                     0,
                     102,
                     64,
                     0,
                     0},
        // One source pixel per dot: the top-left 102 x 64 pixels, no margin.
        GeometryCase{"NoStretch400x300",
                     In(400, 300, 102, 64, false, true),
                     {320, 240},
                     399.0 / 319,
                     299.0 / 239,
                     1,
                     1,
                     {400, 300},
                     0,
                     0,
                     400,
                     300,
                     0,
                     0},
        // Whole view framed: the crop maps onto the whole source picture.
        GeometryCase{"CropWholeView",
                     In(640, 480, 320, 240, true, true, CropFrame{0, 0, 320, 240}),
                     {320, 240},
                     639.0 / 319,
                     479.0 / 239,
                     0.5f,
                     0.5f,
                     {320, 240},
                     0,
                     0,
                     320,
                     240,
                     0,
                     0},
        // View (100, 50) 80 x 60 is source 200..359 x 100..218 (160 x 119): fx = 2 is the
        // smaller factor, so 320 x 238 dots with one margin row on top.
        GeometryCase{"CropQuarterView",
                     In(640, 480, 320, 240, true, true, CropFrame{100, 50, 80, 60}),
                     {320, 240},
                     639.0 / 319,
                     479.0 / 239,
                     2.0f,
                     2.0f,
                     {1280, 960},
                     400,
                     200,
                     320,
                     238,
                     0,
                     1},
        // Small picture: crop coordinates are source pixels; without stretch the crop is
        // placed 1:1 and centred in the output.
        GeometryCase{"CropNoStretch",
                     In(200, 100, 102, 64, false, false, CropFrame{10, 20, 50, 30}),
                     {200, 100},
                     1,
                     1,
                     1,
                     1,
                     {200, 100},
                     10,
                     20,
                     50,
                     30,
                     26,
                     17},
        GeometryCase{"ExactFitNoMargin",
                     In(102, 64, 102, 64, true, true),
                     {102, 64},
                     1,
                     1,
                     1,
                     1,
                     {102, 64},
                     0,
                     0,
                     102,
                     64,
                     0,
                     0},
        // Narrower by 3: 2 margin columns on the left, 1 on the right (centre rounds up).
        GeometryCase{"ThreeNarrowerNoStretch",
                     In(99, 61, 102, 64, false, true),
                     {99, 61},
                     1,
                     1,
                     1,
                     1,
                     {99, 61},
                     0,
                     0,
                     99,
                     61,
                     2,
                     2}),
    [](const auto& info) { return info.param.name; });

TEST(Geometry, ThinPictureShrunkToOnePixelIsDivisionByZero) {
  for (auto [w, h] : {std::pair{2, 400}, std::pair{1, 400}, std::pair{500, 2}}) {
    auto g = ComputeGeometry(In(w, h, 102, 64, true, true));
    ASSERT_FALSE(g) << w << " x " << h;
    EXPECT_EQ(g.error(), GeometryError::kDivisionByZero);
  }
}

TEST(Geometry, RefusesEmptySizes) {
  for (auto in : {In(0, 10, 102, 64, true, true), In(10, 10, 0, 64, true, true),
                  In(10, -1, 102, 64, true, true)}) {
    auto g = ComputeGeometry(in);
    ASSERT_FALSE(g);
    EXPECT_EQ(g.error(), GeometryError::kBadSize);
  }
}

TEST(Geometry, StretchedWithoutFixedRatioHasNoMarginEvenWhenSmaller) {
  // Centring applies only without stretch or with a fixed ratio.
  const MonoPlacement p = PlaceInOutput(102, 64, 90, 50, true, false);
  EXPECT_EQ(p.ox, 0);
  EXPECT_EQ(p.oy, 0);
  EXPECT_EQ(p.view_width, 90);
  EXPECT_EQ(p.view_height, 50);
}

TEST(Geometry, LargerPictureIsCutAtRightAndBottom) {
  const MonoPlacement p = PlaceInOutput(102, 64, 400, 300, false, true);
  EXPECT_EQ(p.ox, 0);
  EXPECT_EQ(p.oy, 0);
  EXPECT_EQ(p.view_width, 102);
  EXPECT_EQ(p.view_height, 64);
}

struct SizeCase {
  std::string name;
  int w, h;
  bool qdl;
  Size out;
};

class FirstOutput : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FirstOutput, LimitsTo320x240) {
  const SizeCase& c = GetParam();
  EXPECT_EQ(FirstOutputSize(c.w, c.h, c.qdl), c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Loading, FirstOutput,
    ::testing::Values(SizeCase{"Jpeg640x480", 640, 480, false, {320, 240}},
                      SizeCase{"Wide400x100", 400, 100, false, {320, 80}},
                      SizeCase{"Small100x50", 100, 50, false, {100, 50}},
                      SizeCase{"Exactly320x240", 320, 240, false, {320, 240}},
                      SizeCase{"Wide321x10", 321, 10, false, {320, 10}},  // 9.97 rounds to 10
                      SizeCase{"Tall200x480", 200, 480, false, {100, 240}},
                      SizeCase{"QdlDevice", 102, 64, true, {102, 64}},
                      // Quadrel: each side limited on its own, no ratio kept.
                      SizeCase{"QdlWide", 400, 100, true, {320, 100}},
                      SizeCase{"QdlBoth", 500, 300, true, {320, 240}},
                      SizeCase{"ExtremelyThinKeepsOneDot", 1, 2000, false, {1, 240}}),
    [](const auto& info) { return info.param.name; });

TEST(DisplaySize, KeepsRatioWithinView) {
  EXPECT_EQ(DisplaySize(640, 480), (Size{320, 240}));
  EXPECT_EQ(DisplaySize(4000, 3000), (Size{320, 240}));
  EXPECT_EQ(DisplaySize(1000, 200), (Size{320, 64}));
  EXPECT_EQ(DisplaySize(320, 240), (Size{320, 240}));
  EXPECT_EQ(DisplaySize(10, 10), (Size{10, 10}));
}

}  // namespace
}  // namespace dotcaster::convert
