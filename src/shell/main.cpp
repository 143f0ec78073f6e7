// Program entry: reads the options and runs the game.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/Console.h"
#include "platform/Platform.h"
#include "shell/BrowserLoop.h"
#include "shell/DemoSession.h"
#include "shell/GLWindow.h"
#include "shell/Settings.h"

namespace {

// A frame number: a plain decimal integer of at least 1.
bool ParseFrameNumber(const std::string& Text, int64_t& Frame) {
  if (Text.empty() || Text.size() > 18) return false;
  int64_t value = 0;
  for (const char c : Text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1) return false;
  Frame = value;
  return true;
}

// The player's settings file for this run: read unless the run is not the player's own (headless,
// timed, verified) or --no-settings says so, and written when the player changes a remembered
// choice. A file that cannot be read is reported and never written over.
void UseSettings(bool Use, bool DisplayGiven, bool VSyncGiven, TRunOptions& Options) {
  auto file = std::make_shared<TSettingsFile>();
  const std::string path = Use ? TSettingsFile::DefaultPath() : "";
  std::string error;
  const bool read = !path.empty() && file->Load(path, error);
  if (!error.empty())
    ShowErrorBox(error + "\nThe game starts with its own settings and leaves the file as it is.");
  ApplySettings(file->Values, DisplayGiven, VSyncGiven, Options);
  Options.Remembered = file->Values;
  if (!read) return;
  Options.Remember = [file, path, failed = false](const TSettings& Kept) mutable {
    if (failed || Kept == file->Values) return;
    file->Values = Kept;
    std::string error;
    if (!file->Save(path, error)) {
      failed = true; // said once; the game goes on without keeping its settings
      std::fprintf(stderr, "%s\n", error.c_str());
    }
  };
}

} // namespace

int main(int argc, char** argv) {
  AttachParentConsole();
  CLI::App app{"Gloopa: a game of life, death and destruction", "gloopa"};
  TRunOptions options;
  TSessionFiles files;
  app.add_flag("--windowed", options.Windowed,
               "Start in a 1024 x 768 window instead of full screen");
  app.add_flag("--desktop", options.Desktop,
               "Full screen at the desktop's own size, the picture scaled to fit")
      ->disable_flag_override();
  app.add_flag("--headless", options.Headless,
               "Run with no display (SDL's offscreen driver); messages go to standard error");
  app.add_flag("--immediate", options.Immediate,
               "Draw every star and particle on its own in immediate mode: the slower reference "
               "drawing, which the normal drawing matches pixel for pixel");
  app.add_flag("--frame-locked", options.FrameLocked,
               "The original pacing: one step per 10 ms tick, every step drawn, no vertical sync; "
               "the game slows down when drawing cannot keep up")
      ->disable_flag_override();
  bool noVSync = false;
  app.add_flag("--no-vsync", noVSync, "Swap each drawn frame at once, without vertical sync")
      ->disable_flag_override();
  bool noSettings = false;
  app.add_flag("--no-settings", noSettings,
               "Run with the built-in settings: the settings file is neither read nor written")
      ->disable_flag_override();
  app.add_option("--frames", options.Frames, "Quit after N steps")->check(CLI::PositiveNumber);
  app.add_option("--record", files.Record, "Record the mouse, step by step, into the demo FILE")
      ->type_name("FILE");
  CLI::Option* play =
      app.add_option("--play", files.Play, "Replay the demo FILE at the game's pace, then quit")
          ->type_name("FILE");
  CLI::Option* timedemo =
      app.add_option("--timedemo", files.Timedemo,
                     "Replay the demo FILE as fast as possible, then print timings")
          ->type_name("FILE");
  CLI::Option* verify =
      app.add_option("--verify", files.Verify,
                     "Replay the demo FILE as fast as possible and compare the checks it holds; "
                     "stops at the first that differs (status 1). With --headless nothing is drawn")
          ->type_name("FILE");
  play->excludes(timedemo);
  verify->excludes(play);
  verify->excludes(timedemo);
  app.add_option("--statdump", files.StateDump,
                 "When the run ends, write the world's state as JSON to FILE")
      ->type_name("FILE");
  std::vector<std::string> dumpAtArgs;
  app.add_option("--statdump-at", dumpAtArgs,
                 "Write the world's state as JSON to FILE after step N")
      ->expected(2)
      ->type_name("N FILE");
  std::vector<std::string> screenshotArgs;
  app.add_option("--screenshot", screenshotArgs,
                 "Draw step N of the run and write it to FILE as a PNG")
      ->expected(2)
      ->type_name("N FILE");
  app.footer(
      "Pacing: the game runs 100 steps to every second of real time. When drawing cannot keep "
      "up, the steps that fall due run undrawn and the latest is drawn (at least every "
      "fourth); after a stall of more than a quarter of a second the game goes on from "
      "now. --frame-locked gives the original pacing instead. --timedemo draws every step, "
      "back to back.\n\n"
      "Demos: --record writes a check of the game's state every 100 steps and after the last; "
      "--play OLD --record NEW re-records a demo with its checks. During --play: Space pauses "
      "and resumes, F or Tab cycles the speed (1x, 4x, 16x), Period steps once while paused, "
      "Return hands the game to the player from that step (a recording goes on with the live "
      "steps), Escape quits.\n\n"
      "Keys: P or Pause pauses live play, as does the window losing focus (resume with a "
      "click); - and = lower and raise the volume, M mutes; Alt+Enter switches full screen; F12 "
      "saves a screenshot.\n\n"
      "Settings: the player's choices are kept in $XDG_CONFIG_HOME/gloopa/gloopa.ini "
      "(~/.config/gloopa/gloopa.ini; %APPDATA%\\Gloopa\\gloopa.ini on Windows); options "
      "given here win for the run.");
  app.set_version_flag("--version", std::string("gloopa ") + GLOOPA_VERSION);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << e.what() << "\n\n" << app.help();
    return 2;
  }
  options.VSync = !noVSync;
  if (!screenshotArgs.empty()) {
    if (screenshotArgs.size() != 2 || !ParseFrameNumber(screenshotArgs[0], files.ScreenshotFrame) ||
        screenshotArgs[1].empty()) {
      std::cerr << "--screenshot: expected a frame number of at least 1 and a FILE, found \""
                << (screenshotArgs.empty() ? "" : screenshotArgs[0]) << "\"\n\n"
                << app.help();
      return 2;
    }
    files.Screenshot = screenshotArgs[1];
  }
  if (!dumpAtArgs.empty()) {
    if (dumpAtArgs.size() != 2 || !ParseFrameNumber(dumpAtArgs[0], files.StateDumpStep) ||
        dumpAtArgs[1].empty()) {
      std::cerr << "--statdump-at: expected a step number of at least 1 and a FILE, found \""
                << (dumpAtArgs.empty() ? "" : dumpAtArgs[0]) << "\"\n\n"
                << app.help();
      return 2;
    }
    files.StateDumpAt = dumpAtArgs[1];
  }

  const bool ownRun = files.Timedemo.empty() && files.Verify.empty() && !options.Headless;
  UseSettings(ownRun && !noSettings, app.count("--windowed") + app.count("--desktop") > 0, noVSync,
              options);
  options.CanPause = ownRun && files.Play.empty();

#ifdef __EMSCRIPTEN__
  // In a web page the game runs in the browser's frame callbacks after main has gone, so the run's
  // options and session live on, and the session is closed when the run ends (BrowserLoop.cpp).
  static TRunOptions webOptions;
  static TDemoSession webSession;
  webOptions = std::move(options);
  const int webRefused = webSession.Open(files, webOptions);
  if (webRefused != 0) return webRefused;
  SetBrowserRunEnd([](int Status) { return webSession.Close(Status); });
  return RunGame(nullptr, webOptions);
#else
  TDemoSession session;
  const int refused = session.Open(files, options);
  if (refused != 0) return refused;
  return session.Close(RunGame(nullptr, options));
#endif
}
