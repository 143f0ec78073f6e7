#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "RiffImage.h"
#include "sound/Wave.h"

namespace {

// Loads Image into a fresh wave; returns the error text, or "" on success.
std::string LoadError(const std::vector<uint8_t>& Image, TWave& Wave) {
  TMemoryReadStream stream(Image.data(), int64_t(Image.size()));
  try {
    Wave.LoadFromStream(stream);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

} // namespace

TEST(WaveLoad, AcceptsWellFormedAndTolerantImages) {
  struct TCase {
    const char* What;
    TRiffImage Image;
    int32_t FormatSize, DataSize;
    uint8_t FirstByte;
  };
  const TCase cases[] = {
      {"plain", TRiffImage().Header().Fmt(1, 22050, 8).Data(6, 10), 16, 6, 10},
      {"unknown chunk between fmt and data is skipped",
       TRiffImage().Header().Fmt(2, 44100, 16).Raw("LIST").U32(5).Fill(5, 0xEE).Data(8, 3), 16, 8,
       3},
      {"no fmt chunk", TRiffImage().Header().Data(4, 7), 0, 4, 7},
      {"odd-sized data chunk at the end, no padding byte",
       TRiffImage().Header().Fmt(1, 22050, 8).Data(49, 1), 16, 49, 1},
      {"odd-sized unknown chunk ends the image",
       TRiffImage().Header().Fmt(1, 8000, 8).Data(2, 5).Raw("junk").U32(3).Fill(3, 9), 16, 2, 5},
      {"RIFF size field is ignored",
       TRiffImage().Header("WAVE", 0xFFFFFFFF).Fmt(1, 8000, 8).Data(3, 4), 16, 3, 4},
      {"later data chunk replaces the earlier one",
       TRiffImage().Header().Fmt(1, 8000, 8).Data(3, 1).Data(5, 50), 16, 5, 50},
      {"trailing partial header ends the loop",
       TRiffImage().Header().Fmt(1, 8000, 8).Data(2, 0).Raw("ab"), 16, 2, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TWave wave;
    ASSERT_EQ(LoadError(c.Image.Bytes, wave), "");
    EXPECT_EQ(wave.FormatSize(), c.FormatSize);
    EXPECT_EQ(wave.Format() == nullptr, c.FormatSize == 0);
    ASSERT_EQ(wave.DataSize(), c.DataSize);
    for (int32_t i = 0; i < c.DataSize; ++i) ASSERT_EQ(wave.Data()[i], uint8_t(c.FirstByte + i));
  }
}

TEST(WaveLoad, FormatBlockIsCopiedByteForByte) {
  const TRiffImage image = TRiffImage().Header().Fmt(2, 44100, 16).Data(4);
  TWave wave;
  ASSERT_EQ(LoadError(image.Bytes, wave), "");
  ASSERT_EQ(wave.FormatSize(), 16);
  EXPECT_EQ(std::memcmp(wave.Format(), image.Bytes.data() + 20, 16), 0);
}

TEST(WaveLoad, RejectsBrokenImagesWithoutReadingPastThem) {
  struct TCase {
    const char* What;
    TRiffImage Image;
    const char* Error;
  };
  const TCase cases[] = {
      {"third field not WAVE", TRiffImage().Header("AVI ").Fmt(1, 8000, 8).Data(2),
       "Wave is invalid"},
      {"not RIFF", TRiffImage().Raw("RIFX").U32(0).Raw("WAVE").Data(2), "Wave is invalid"},
      {"shorter than a header", TRiffImage().Raw("RIFF").U16(4), "Wave is invalid"},
      {"empty", TRiffImage(), "Wave is invalid"},
      {"data announces more than the image holds",
       TRiffImage().Header().Fmt(1, 8000, 8).Raw("data").U32(100).Fill(60, 1), "Stream read error"},
      {"data announces 2 GiB",
       TRiffImage().Header().Fmt(1, 8000, 8).Raw("data").U32(0x7FFFFFF0).Fill(8, 1),
       "Stream read error"},
      {"data size beyond 31 bits", TRiffImage().Header().Raw("data").U32(0xFFFFFFF0).Fill(8, 1),
       "Stream read error"},
      {"fmt chunk size runs past the end",
       TRiffImage().Header().Raw("fmt ").U32(0xFFFFFF00).Fill(16, 1), "Stream read error"},
      {"truncated inside the fmt chunk", TRiffImage().Header().Raw("fmt ").U32(16).Fill(9, 1),
       "Stream read error"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TWave wave;
    EXPECT_EQ(LoadError(c.Image.Bytes, wave), c.Error);
    // A failed load leaves no half-filled clip behind.
    EXPECT_EQ(wave.DataSize(), 0);
    EXPECT_LE(wave.DataCapacity(), 0);
  }
}

TEST(WaveLoad, SkippingAHugeUnknownChunkEndsTheImage) {
  // An unknown chunk claiming 4 GiB is skipped past the end of the image: the loop then ends.
  const TRiffImage image =
      TRiffImage().Header().Fmt(1, 8000, 8).Data(3, 9).Raw("zzzz").U32(0xFFFFFFFF).Data(7, 1);
  TWave wave;
  ASSERT_EQ(LoadError(image.Bytes, wave), "");
  EXPECT_EQ(wave.DataSize(), 3);
  EXPECT_EQ(wave.Data()[0], 9);
}

TEST(WaveLoad, ImageNeedNotStartAtTheBeginningOfTheStream) {
  TRiffImage image;
  image.Fill(5, 0xAA);
  const size_t start = image.Bytes.size();
  image.Header().Fmt(1, 8000, 8).Data(4, 20);
  TMemoryReadStream stream(image.Bytes.data(), int64_t(image.Bytes.size()));
  stream.SetPosition(int64_t(start));
  TWave wave;
  wave.LoadFromStream(stream);
  ASSERT_EQ(wave.DataSize(), 4);
  EXPECT_EQ(wave.Data()[3], 23);
}

TEST(WaveData, ReservesWholeBlocksOf8096) {
  const struct {
    int32_t Size;
    int64_t Reserved;
  } cases[] = {{0, 0}, {1, 8096}, {8096, 8096}, {8097, 16192}, {16192, 16192}, {-5, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Size);
    TWave wave;
    wave.SetDataSize(c.Size);
    EXPECT_EQ(wave.DataCapacity(), c.Reserved);
    EXPECT_EQ(wave.DataSize(), std::max(c.Size, 0));
  }
  TWave wave;
  wave.SetFormatSize(-1);
  EXPECT_EQ(wave.FormatSize(), 0);
}

TEST(WaveData, ResizingWithinABlockKeepsTheMemoryAndResizingKeepsTheBytes) {
  TWave wave;
  wave.SetDataSize(100);
  for (int i = 0; i < 100; ++i) wave.Data()[i] = uint8_t(i);
  const uint8_t* before = wave.Data();
  wave.SetDataSize(8000);
  EXPECT_EQ(wave.Data(), before); // same block count: no reallocation
  wave.SetDataSize(20000);
  EXPECT_EQ(wave.DataCapacity(), 3 * 8096);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(wave.Data()[i], uint8_t(i));
  wave.Clear();
  EXPECT_EQ(wave.DataSize(), 0);
  EXPECT_EQ(wave.DataCapacity(), 0);
  EXPECT_EQ(wave.Data(), nullptr);
}

TEST(WaveData, AssignCopiesClearsOnNullAndIgnoresItself) {
  const TRiffImage image = TRiffImage().Header().Fmt(1, 8000, 8).Data(9000, 3);
  TWave source, copy;
  ASSERT_EQ(LoadError(image.Bytes, source), "");
  copy.Assign(&source);
  ASSERT_EQ(copy.DataSize(), 9000);
  ASSERT_EQ(copy.FormatSize(), 16);
  EXPECT_NE(copy.Data(), source.Data());
  EXPECT_EQ(std::memcmp(copy.Data(), source.Data(), 9000), 0);
  EXPECT_EQ(std::memcmp(copy.Format(), source.Format(), 16), 0);
  copy.Assign(&copy);
  EXPECT_EQ(copy.DataSize(), 9000);
  EXPECT_EQ(copy.Data()[8999], uint8_t(3 + 8999));
  copy.Assign(nullptr);
  EXPECT_EQ(copy.DataSize(), 0);
  EXPECT_EQ(copy.FormatSize(), 0);
}

TEST(WaveStream, OpenOnceReadAfterOpenSeekAndReadClamped) {
  const TRiffImage image = TRiffImage().Header().Fmt(1, 8000, 8).Data(10, 0);
  TMemoryReadStream source(image.Bytes.data(), int64_t(image.Bytes.size()));
  TWaveStream stream(source);
  uint8_t buffer[16] = {};
  EXPECT_EQ(stream.Size(), 0);
  try {
    stream.Read(buffer, 1);
    FAIL() << "read before open";
  } catch (const EWaveStreamError& e) {
    EXPECT_STREQ(e.what(), "Stream not opend");
  }
  stream.Open();
  EXPECT_EQ(stream.Size(), 10);
  try {
    stream.Open();
    FAIL() << "second open";
  } catch (const EWaveStreamError& e) {
    EXPECT_STREQ(e.what(), "Stream has already been opened");
  }
  EXPECT_EQ(stream.Seek(7, soFromBeginning), 7);
  EXPECT_EQ(stream.Read(buffer, 16), 3); // cut at the end of the samples
  EXPECT_EQ(buffer[0], 7);
  EXPECT_EQ(buffer[2], 9);
  EXPECT_EQ(stream.Read(buffer, 16), 0);
  EXPECT_EQ(stream.Seek(-4, soFromEnd), 6);
  EXPECT_EQ(stream.Seek(100, soFromCurrent), 10);
  EXPECT_EQ(stream.Seek(-100, soFromCurrent), 0);
  EXPECT_EQ(stream.Read(buffer, 2), 2);
  EXPECT_EQ(buffer[1], 1);
}
