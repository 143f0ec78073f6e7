// Screenshots hold exactly the pixels the frame left in the back buffer.
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "shell/GLWindow.h"
#include "shell/Screenshot.h"

namespace {

struct TPicture {
  int32_t Width = 0, Height = 0;
  std::vector<uint8_t> RGB; // top row first
};

// Decodes a PNG as 8-bit RGB; an empty picture when it cannot.
TPicture ReadPNG(const std::string& Path) {
  TPicture picture;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, Path.c_str())) return picture;
  image.format = PNG_FORMAT_RGB;
  picture.RGB.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, picture.RGB.data(), 0, nullptr)) {
    png_image_free(&image);
    return {};
  }
  picture.Width = int32_t(image.width);
  picture.Height = int32_t(image.height);
  return picture;
}

// The back buffer read independently of the screenshot code: RGBA, flipped to top row first.
TPicture ReadBack(int Width, int Height) {
  std::vector<uint8_t> rgba(size_t(Width) * size_t(Height) * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, Width, Height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  TPicture picture{Width, Height, std::vector<uint8_t>(size_t(Width) * size_t(Height) * 3)};
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      for (int c = 0; c < 3; ++c)
        picture.RGB[(size_t(y) * Width + x) * 3 + c] =
            rgba[(size_t(Height - 1 - y) * Width + x) * 4 + c];
  return picture;
}

std::string TempPath(const std::string& Name) {
  return ::testing::TempDir() + "gloopa_shot_" + Name;
}

} // namespace

TEST(Screenshot, ThePNGHoldsExactlyTheFramebuffersPixels) {
  // The game's own size, and a window with bars beside the picture.
  for (const int width : {1024, 1200}) {
    SCOPED_TRACE(width);
    const std::string path = TempPath("frame.png");
    std::remove(path.c_str());
    TRunOptions options;
    options.Headless = true;
    options.Windowed = true;
    // Every step drawn, however slowly this build draws: the frames are read back.
    options.ChooseDraw = [](int64_t, bool) { return true; };
    options.Frames = 12;
    TPicture readBack;
    options.BeforeFrame = [&](int64_t Frame, TGloopa&) {
      if (Frame == 2) SDL_SetWindowSize(static_cast<SDL_Window*>(GameWindowHandle()), width, 768);
      return true;
    };
    options.AfterFrame = [&](int64_t Frame, TGloopa&) {
      if (Frame != 10) return;
      std::string error;
      EXPECT_TRUE(SaveScreenshot(path, error)) << error;
      readBack = ReadBack(width, 768);
    };
    ASSERT_EQ(RunGame(nullptr, options), 0);
    const TPicture saved = ReadPNG(path);
    ASSERT_EQ(saved.Width, width);
    ASSERT_EQ(saved.Height, 768);
    EXPECT_TRUE(saved.RGB == readBack.RGB);
    // Not a blank frame: the title is drawn.
    int lit = 0;
    for (size_t i = 0; i < saved.RGB.size(); i += 3) lit += saved.RGB[i] > 100 ? 1 : 0;
    EXPECT_GT(lit, 500);
  }
}

TEST(Screenshot, F12SavesIntoThePicturesFolderAndAFailureLetsTheGameGoOn) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(TempPath("pictures"));
  fs::remove_all(root);
  fs::create_directories(root);
  std::ofstream(root / "blocker") << "a file where a folder would go";
  const char* saved = std::getenv("XDG_PICTURES_DIR");
  const std::string savedValue = saved ? saved : "";

  const struct Case {
    std::string pictures; // XDG_PICTURES_DIR
    bool writes;
  } cases[] = {{(root / "new" / "deep").string(), true},
               {(root / "blocker" / "x").string(), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pictures);
    setenv("XDG_PICTURES_DIR", c.pictures.c_str(), 1);
    TRunOptions options;
    options.Headless = true;
    options.Windowed = true;
    // Every step drawn, however slowly this build draws: the frames are read back.
    options.ChooseDraw = [](int64_t, bool) { return true; };
    options.Frames = 20;
    std::vector<TPicture> frames;
    int64_t last = 0;
    options.BeforeFrame = [&](int64_t Frame, TGloopa&) {
      if (Frame == 5) {
        SDL_Event key{};
        key.type = SDL_KEYDOWN;
        key.key.keysym.sym = SDLK_F12;
        SDL_PushEvent(&key);
      }
      return true;
    };
    options.AfterFrame = [&](int64_t Frame, TGloopa&) {
      last = Frame;
      if (Frame >= 5 && Frame <= 8) frames.push_back(ReadBack(1024, 768));
    };
    testing::internal::CaptureStderr();
    ASSERT_EQ(RunGame(nullptr, options), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(last, 20) << "the game went on";
    const fs::path folder = fs::path(c.pictures) / "Gloopa";
    if (!c.writes) {
      EXPECT_NE(err.find("cannot create the folder"), std::string::npos) << err;
      EXPECT_FALSE(fs::exists(folder));
      continue;
    }
    std::vector<fs::path> shots;
    for (const auto& entry : fs::directory_iterator(folder)) shots.push_back(entry.path());
    ASSERT_EQ(shots.size(), 1u);
    const std::string name = shots[0].filename().string();
    // Gloopa-YYYYMMDD-HHMMSS.png
    ASSERT_EQ(name.size(), 26u) << name;
    EXPECT_EQ(name.substr(0, 7), "Gloopa-");
    EXPECT_EQ(name[15], '-');
    EXPECT_EQ(name.substr(22), ".png");
    EXPECT_NE(err.find(shots[0].string()), std::string::npos) << err;
    // The shot is one of the frames drawn just after the key.
    const TPicture shot = ReadPNG(shots[0].string());
    bool matches = false;
    for (const TPicture& frame : frames) matches = matches || frame.RGB == shot.RGB;
    EXPECT_TRUE(matches);
  }
  if (saved)
    setenv("XDG_PICTURES_DIR", savedValue.c_str(), 1);
  else
    unsetenv("XDG_PICTURES_DIR");
}

TEST(Screenshot, NamesFollowTheLocalTime) {
  const char* tz = std::getenv("TZ");
  const std::string savedTz = tz ? tz : "";
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(ScreenshotName(std::time_t(1767323045)), "Gloopa-20260102-030405.png");
  EXPECT_EQ(ScreenshotName(std::time_t(0)), "Gloopa-19700101-000000.png");
  if (tz)
    setenv("TZ", savedTz.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

TEST(Screenshot, APictureReplacesTheFileWholeOrLeavesItAlone) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(TempPath("whole"));
  fs::remove_all(folder);
  fs::create_directories(folder / "shots");
  const std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
  const std::string old = "an older picture";
  std::ofstream(folder / "shots" / "shot.png") << old;
  fs::create_symlink(folder / "shots" / "shot.png", folder / "link.png");

  // Through a link: the picture lands in the file the link names, and the link stays a link.
  std::string error;
  ASSERT_TRUE(WritePNG((folder / "link.png").string(), rgb, 2, 2, error)) << error;
  EXPECT_TRUE(fs::is_symlink(folder / "link.png"));
  const TPicture written = ReadPNG((folder / "shots" / "shot.png").string());
  EXPECT_EQ(written.Width, 2);
  EXPECT_TRUE(written.RGB == rgb);

  // Failures name the file and leave what was there; no temporary file is left behind.
  std::ofstream(folder / "shots" / "shot.png", std::ios::trunc) << old;
  const struct Case {
    std::string path;
    int32_t width;
  } cases[] = {{(folder / "shots" / "shot.png").string(), 3}, // the pixels do not fit the size
               {(folder / "missing" / "shot.png").string(), 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    error.clear();
    EXPECT_FALSE(WritePNG(c.path, rgb, c.width, 2, error));
    EXPECT_EQ(error.rfind("cannot write the screenshot " + c.path + ": ", 0), 0u) << error;
  }
  std::ifstream in(folder / "shots" / "shot.png");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder / "shots"), fs::directory_iterator()), 1);
}
