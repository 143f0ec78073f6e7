// The scaled table against a fake driver that keeps its widths and reports fixed ranges.
#include <gtest/gtest.h>

#include <vector>

#include "gl/GLScale.h"

namespace {

struct TFakeDriver {
  float LineWidth = 1, PointSize = 1;
  float LineRange[2] = {1, 8}, PointRange[2] = {1, 64};
  int RangeQueries = 0;
  std::vector<float> Lines, Points; // every width and size set, in order
};
TFakeDriver Driver;

void APIENTRY FakeLineWidth(GLfloat W) {
  Driver.Lines.push_back(W);
  if (W > 0) Driver.LineWidth = W;
}
void APIENTRY FakePointSize(GLfloat S) {
  Driver.Points.push_back(S);
  if (S > 0) Driver.PointSize = S;
}
void APIENTRY FakeGetFloatv(GLenum Name, GLfloat* Values) {
  const float* range = Name == GL_ALIASED_LINE_WIDTH_RANGE   ? Driver.LineRange
                       : Name == GL_ALIASED_POINT_SIZE_RANGE ? Driver.PointRange
                                                             : nullptr;
  if (range != nullptr) {
    ++Driver.RangeQueries;
    Values[0] = range[0];
    Values[1] = range[1];
  } else if (Name == GL_LINE_WIDTH) {
    Values[0] = Driver.LineWidth;
  } else if (Name == GL_POINT_SIZE) {
    Values[0] = Driver.PointSize;
  } else {
    for (int i = 0; i < 4; ++i) Values[i] = float(Name) + float(i); // any other query
  }
}

TGLTable FakeTable() {
  TGLTable table = GLNothingTable();
  table.glLineWidth = FakeLineWidth;
  table.glPointSize = FakePointSize;
  table.glGetFloatv = FakeGetFloatv;
  return table;
}

// Two drivers: the fake, and one whose ranges read as zeros, as the do-nothing table's do.
const TGLTable Fake = FakeTable();
const TGLTable Zeros = [] {
  TGLTable table = FakeTable();
  table.glGetFloatv = GLNothingTable().glGetFloatv;
  return table;
}();

float Query(const TGLTable& Table, GLenum Name) {
  GLfloat value = -1;
  Table.glGetFloatv(Name, &value);
  return value;
}

} // namespace

TEST(GLScale, WidthsAreScaledAndClampedOnceReportedAndQueriesAnswerWhatWasAsked) {
  const TGLTable& base = Fake;
  GLScaledTable(Zeros, 1);
  Driver = {};
  GLScaleTakeClamped();
  const TGLTable& scaled = GLScaledTable(base, 2);
  GLScaledTable(base, 1.5f);
  const TGLTable& again = GLScaledTable(base, 2);
  EXPECT_EQ(&again, &scaled);
  EXPECT_EQ(Driver.RangeQueries, 2) << "the ranges are asked once per base";

  scaled.glLineWidth(1);
  scaled.glPointSize(3);
  EXPECT_EQ(Driver.Lines, std::vector<float>{2});
  EXPECT_EQ(Driver.Points, std::vector<float>{6});
  EXPECT_FALSE(GLScaleTakeClamped());
  EXPECT_EQ(Query(scaled, GL_LINE_WIDTH), 1);
  EXPECT_EQ(Query(scaled, GL_POINT_SIZE), 3);

  // Past the top of the range, and below its foot at a small scale.
  scaled.glLineWidth(5);
  EXPECT_EQ(Driver.LineWidth, 8);
  EXPECT_EQ(Query(scaled, GL_LINE_WIDTH), 5);
  EXPECT_TRUE(GLScaleTakeClamped());
  EXPECT_FALSE(GLScaleTakeClamped()) << "reported once";
  GLScaledTable(base, 0.5f).glPointSize(1);
  EXPECT_EQ(Driver.PointSize, 1);
  EXPECT_TRUE(GLScaleTakeClamped());

  // A size the GL refuses goes through as it is, and the GL keeps the last one.
  GLScaledTable(base, 2).glPointSize(0);
  EXPECT_EQ(Driver.Points.back(), 0);
  EXPECT_EQ(Driver.PointSize, 1);
  EXPECT_FALSE(GLScaleTakeClamped());

  // Any other query is the driver's.
  GLfloat colour[4];
  scaled.glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[3], float(GL_CURRENT_COLOR) + 3);

  // A driver answering zeros for its ranges: no clamp at all.
  GLScaledTable(Zeros, 4).glLineWidth(100);
  EXPECT_EQ(Driver.LineWidth, 400);
  EXPECT_FALSE(GLScaleTakeClamped());
}

// Code that skips setting a width it reads as already set (the particle batcher) must still get
// the width it wants, whatever set the driver's width before: the base table on a step drawn
// unscaled, or this table at another scale.
TEST(GLScale, AWidthSetElsewhereReadsInTheGamesTermsSoNoNeededCallIsSkipped) {
  const TGLTable& base = Fake;
  Driver = {};
  const TGLTable& scaled = GLScaledTable(base, 2);
  scaled.glLineWidth(2); // driver at 4
  base.glLineWidth(2);   // an unscaled step sets the driver's 2 behind the table's back
  EXPECT_EQ(Query(scaled, GL_LINE_WIDTH), 1) << "2 pixels are a width of 1 at twice the size";

  scaled.glLineWidth(2); // driver at 4 again
  GLScaledTable(base, 3);
  EXPECT_NE(Query(scaled, GL_LINE_WIDTH), 2) << "4 pixels are not a width of 2 at three times";
  scaled.glLineWidth(2);
  EXPECT_EQ(Driver.LineWidth, 6);
  EXPECT_EQ(Query(scaled, GL_LINE_WIDTH), 2);

  // The particle batcher boxes its primitives with the scale of the table in use.
  EXPECT_EQ(GLWidthScale(), 1);
  {
    const TGLTableScope inUse(scaled);
    EXPECT_EQ(GLWidthScale(), 3);
  }
  EXPECT_EQ(GLWidthScale(), 1);
}
