// The settings file: what it reads, what it refuses (file, line and why), what a rewrite keeps,
// and how the command line wins over it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "shell/GLWindow.h"
#include "shell/Settings.h"

namespace {

std::string Temp(const std::string& Name) {
  return ::testing::TempDir() + "gloopa_settings_" + Name;
}

} // namespace

TEST(Settings, ReadsEveryKeyAndKeepsCommentsAndUnknownKeysThroughARewrite) {
  const std::string text = "# mine\r\n"
                           "display = desktop\n"
                           "  volume=35  \n"
                           "; a note\n"
                           "colour_scheme = neon\n"
                           "\n"
                           "mute = yes\n"
                           "window_width = 800\n"
                           "window_height = 600\n"
                           "window_x = -20\n"
                           "window_y = 40\n"
                           "vsync = 0\n"
                           "pause_on_focus_loss = off\n"
                           "line_scale = 0\n"
                           "volume = 45\n";
  TSettingsFile file;
  std::string error;
  ASSERT_TRUE(file.Parse(text, "gloopa.ini", error)) << error;
  TSettings expected;
  expected.Display = TSettings::dsDesktop;
  expected.Volume = 45; // the last line of a key wins
  expected.Mute = true;
  expected.WindowWidth = 800;
  expected.WindowHeight = 600;
  expected.WindowX = -20;
  expected.WindowY = 40;
  expected.VSync = false;
  expected.PauseOnFocusLoss = false;
  expected.LineScale = false;
  EXPECT_EQ(file.Values, expected);

  file.Values.Volume = 90;
  file.Values.Display = TSettings::dsWindowed;
  const std::string rewritten = file.Text();
  EXPECT_NE(rewritten.find("# mine\n"), std::string::npos);
  EXPECT_NE(rewritten.find("colour_scheme = neon\n"), std::string::npos);
  EXPECT_NE(rewritten.find("  volume=35  \n"), std::string::npos) << "an earlier line was lost";
  EXPECT_NE(rewritten.find("volume = 90\n"), std::string::npos);
  EXPECT_NE(rewritten.find("display = windowed\n"), std::string::npos);
  TSettingsFile again;
  ASSERT_TRUE(again.Parse(rewritten, "gloopa.ini", error)) << error;
  EXPECT_EQ(again.Values, file.Values);

  // A new file says what it is and holds every key at its value.
  TSettingsFile fresh;
  ASSERT_TRUE(fresh.Parse(fresh.Text(), "new", error));
  EXPECT_EQ(fresh.Values, TSettings{});
  EXPECT_EQ(fresh.Text().rfind("# ", 0), 0u);
}

TEST(Settings, RefusesAFileItCannotReadWithItsLineAndReason) {
  // Each refusal gives the defaults, whatever was read before, and starts with file:line: why.
  auto expectRefused = [](const std::string& Text, const std::string& Error) {
    TSettingsFile file;
    file.Values.Volume = 7;
    std::string error;
    EXPECT_FALSE(file.Parse(Text, "f.ini", error)) << Text;
    EXPECT_EQ(error.rfind(Error, 0), 0u) << error;
    EXPECT_EQ(file.Values, TSettings{}) << Text;
  };
  expectRefused("volume = 101\n",
                "f.ini:1: volume must be a whole number from 0 to 100, found \"101\"");
  expectRefused("# ok\nvolume = 5x\n", "f.ini:2: volume must be a whole number");
  expectRefused("display = tiny\n", "f.ini:1: display must be fullscreen, desktop or windowed");
  expectRefused("mute = 2\n", "f.ini:1: mute must be 0 or 1, found \"2\"");
  expectRefused("\n\njust words\n", "f.ini:3: expected \"key = value\", found \"just words\"");
  expectRefused("= 3\n", "f.ini:1: expected \"key = value\"");
  expectRefused("window_width = 99999999999999\n", "f.ini:1: window_width must be a whole number");
}

TEST(Settings, LoadsSavesAndSaysWhyItCannotWrite) {
  const std::string folder = Temp("dir");
  std::filesystem::remove_all(folder);
  const std::string path = folder + "/deeper/gloopa.ini";
  TSettingsFile file;
  std::string error;
  file.Values.Volume = 3;
  ASSERT_TRUE(file.Load(path, error)) << "a missing file is no error";
  EXPECT_EQ(file.Values, TSettings{});
  file.Values.Mute = true;
  ASSERT_TRUE(file.Save(path, error)) << error;
  TSettingsFile back;
  ASSERT_TRUE(back.Load(path, error)) << error;
  EXPECT_TRUE(back.Values.Mute);

  // A file where its folder should be.
  std::ofstream(folder + "/blocker") << "x";
  EXPECT_FALSE(file.Save(folder + "/blocker/gloopa.ini", error));
  EXPECT_NE(error.find(folder + "/blocker/gloopa.ini"), std::string::npos) << error;
  std::filesystem::remove_all(folder);
}

TEST(Settings, ThePathFollowsTheConfigFolder) {
#ifndef _WIN32
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = config ? config : "";
  setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
  EXPECT_EQ(TSettingsFile::DefaultPath(), "/tmp/cfg/gloopa/gloopa.ini");
  setenv("XDG_CONFIG_HOME", "relative", 1); // not absolute: ignored, as the standard says
  const std::string home = "/home/player";
  const char* homeWas = std::getenv("HOME");
  const std::string savedHome = homeWas ? homeWas : "";
  setenv("HOME", home.c_str(), 1);
  EXPECT_EQ(TSettingsFile::DefaultPath(), home + "/.config/gloopa/gloopa.ini");
  if (homeWas) setenv("HOME", savedHome.c_str(), 1);
  if (config)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
#endif
}

TEST(Settings, TheCommandLineWinsOverTheFile) {
  TSettings file;
  file.Display = TSettings::dsWindowed;
  file.VSync = false;
  file.Volume = 20;
  file.LineScale = false;
  const struct {
    bool Windowed, Desktop, DisplayGiven, NoVSync;
    bool WantWindowed, WantDesktop, WantVSync;
  } cases[] = {
      {false, false, false, false, true, false, false}, // all from the file
      {false, true, true, false, false, true, false},   // --desktop
      {false, false, false, true, true, false, false},  // --no-vsync agrees with the file
  };
  for (const auto& c : cases) {
    TRunOptions options;
    options.Windowed = c.Windowed;
    options.Desktop = c.Desktop;
    options.VSync = !c.NoVSync;
    ApplySettings(file, c.DisplayGiven, c.NoVSync, options);
    EXPECT_EQ(options.Windowed, c.WantWindowed);
    EXPECT_EQ(options.Desktop, c.WantDesktop);
    EXPECT_EQ(options.VSync, c.WantVSync);
    EXPECT_EQ(options.Volume, 20);
    EXPECT_FALSE(options.LineScale);
  }
  // A file that says vsync = 1 cannot turn --no-vsync off.
  TRunOptions options;
  options.VSync = false;
  ApplySettings(TSettings{}, false, true, options);
  EXPECT_FALSE(options.VSync);
}
