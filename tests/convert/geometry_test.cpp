#include "convert/geometry.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace dotcaster::convert {
namespace {

GeometryInput In(int sw, int sh, int ow, int oh, bool zoom, bool just,
                 std::optional<CropFrame> crop = std::nullopt) {
  return GeometryInput{sw, sh, crop, ow, oh, zoom, just};
}

struct GeometryCase {
  std::string name;
  GeometryInput in;
  Size display;
  float fx, fy;
  Size stretched, off, place;
  int ox, oy;  // margin dots on the left and on top
};

GeometryCase Row(std::string name, GeometryInput in, Size display, float fx, float fy,
                 Size stretched, Size off, Size place, int ox, int oy) {
  return {std::move(name), in, display, fx, fy, stretched, off, place, ox, oy};
}

TEST(Geometry, MatchesTheDriver) {
  const std::vector<GeometryCase> rows = {
      // fy = 64/480 is the smaller factor: 85 x 64 placed, 9 + 8 margin columns.
      Row("photo 640 to device", In(640, 480, 102, 64, true, true), {320, 240}, 64.0f / 480,
          64.0f / 480, {85, 64}, {0, 0}, {85, 64}, 9, 0),
      // fx = 1.02 is the smaller factor: 102 x 51 placed, 7 + 6 margin rows.
      Row("small 100 x 50 to device", In(100, 50, 102, 64, true, true), {100, 50}, 1.02f, 1.02f,
          {102, 51}, {0, 0}, {102, 51}, 0, 7),
      Row("distorted stretch", In(100, 50, 102, 64, true, false), {100, 50}, 1.02f, 1.28f,
          {102, 64}, {0, 0}, {102, 64}, 0, 0),
      // One source pixel per dot: the top-left 102 x 64 pixels, no margin.
      Row("no stretch 400 x 300", In(400, 300, 102, 64, false, true), {320, 240}, 1, 1, {400, 300},
          {0, 0}, {400, 300}, 0, 0),
      // Whole view framed: the crop maps onto the whole source picture.
      Row("crop of the whole view", In(640, 480, 320, 240, true, true, CropFrame{0, 0, 320, 240}),
          {320, 240}, 0.5f, 0.5f, {320, 240}, {0, 0}, {320, 240}, 0, 0),
      // View (100, 50) 80 x 60 is source 200..359 x 100..218 (160 x 119): fx = 2 is the
      // smaller factor, so 320 x 238 dots with one margin row on top.
      Row("crop of a quarter", In(640, 480, 320, 240, true, true, CropFrame{100, 50, 80, 60}),
          {320, 240}, 2, 2, {1280, 960}, {400, 200}, {320, 238}, 0, 1),
      // Small picture: crop coordinates are source pixels; without stretch the crop is
      // placed 1:1 and centred in the output.
      Row("crop without stretch", In(200, 100, 102, 64, false, false, CropFrame{10, 20, 50, 30}),
          {200, 100}, 1, 1, {200, 100}, {10, 20}, {50, 30}, 26, 17),
      // Narrower by 3: 2 margin columns on the left, 1 on the right (centre rounds up).
      Row("three narrower, no stretch", In(99, 61, 102, 64, false, true), {99, 61}, 1, 1, {99, 61},
          {0, 0}, {99, 61}, 2, 2),
  };
  for (const GeometryCase& c : rows) {
    SCOPED_TRACE(c.name);
    auto g = ComputeGeometry(c.in);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->display, c.display);
    EXPECT_FLOAT_EQ(g->fx, c.fx);
    EXPECT_FLOAT_EQ(g->fy, c.fy);
    EXPECT_EQ(g->stretched, c.stretched);
    EXPECT_EQ((Size{g->off_left, g->off_top}), c.off);
    EXPECT_EQ(g->place_width, static_cast<float>(c.place.width));
    EXPECT_EQ(g->place_height, static_cast<float>(c.place.height));
    const MonoPlacement p = PlaceInOutput(c.in.out_width, c.in.out_height, g->place_width,
                                          g->place_height, c.in.zoom_mode, c.in.just_zoom);
    EXPECT_EQ((Size{p.ox, p.oy}), (Size{c.ox, c.oy}));
  }
}

TEST(Geometry, RefusesEmptySizesAndShrinkingToOnePixel) {
  // A thin picture shown one pixel wide gives a view scale of (w - 1) / 0.
  for (auto [in, error] : {std::pair{In(2, 400, 102, 64, true, true), ErrorCode::kDivisionByZero},
                           std::pair{In(1, 400, 102, 64, true, true), ErrorCode::kDivisionByZero},
                           std::pair{In(500, 2, 102, 64, true, true), ErrorCode::kDivisionByZero},
                           std::pair{In(0, 10, 102, 64, true, true), ErrorCode::kBadSize},
                           std::pair{In(10, 10, 0, 64, true, true), ErrorCode::kBadSize},
                           std::pair{In(10, -1, 102, 64, true, true), ErrorCode::kBadSize}}) {
    auto g = ComputeGeometry(in);
    ASSERT_FALSE(g) << in.src_width << " x " << in.src_height << " to " << in.out_width;
    EXPECT_EQ(g.error().code, error);
  }
}

// The window's view of a picture keeps its ratio too; only the output keeps one dot a side.
TEST(FirstOutputSize, LimitsTo320x240) {
  struct Row {
    int w, h;
    bool qdl;
    Size out;
  };
  for (const Row& r : {Row{640, 480, false, {320, 240}}, Row{400, 100, false, {320, 80}},
                       Row{100, 50, false, {100, 50}}, Row{320, 240, false, {320, 240}},
                       Row{321, 10, false, {320, 10}},  // 9.97 rounds to 10
                       Row{200, 480, false, {100, 240}}, Row{1, 2000, false, {1, 240}},
                       // Quadrel: each side limited on its own, no ratio kept.
                       Row{102, 64, true, {102, 64}}, Row{400, 100, true, {320, 100}},
                       Row{500, 300, true, {320, 240}}}) {
    EXPECT_EQ(FirstOutputSize(r.w, r.h, r.qdl), r.out) << r.w << " x " << r.h << " qdl " << r.qdl;
    EXPECT_TRUE(r.qdl || r.w == 1 || DisplaySize(r.w, r.h) == r.out) << r.w << " x " << r.h;
  }
}

}  // namespace
}  // namespace dotcaster::convert
