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
#include "shell/HallOfFame.h"
#include "shell/ScoreCommands.h"
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

// What the command line says, as read.
struct TCommandLine {
  TRunOptions Options;
  TSessionFiles Files;
  bool NoVSync = false;
  bool NoSettings = false;
  bool NoInterpolation = false;
  bool Scores = false;
  int64_t PlayScore = 0;
  std::vector<std::string> DumpAtArgs, ScreenshotArgs;
};

// The options of the display, the drawing and the pacing.
void DescribeDisplayOptions(CLI::App& App, TCommandLine& Line) {
  App.add_flag("--windowed", Line.Options.Windowed,
               "Start in a 1024 x 768 window instead of full screen");
  App.add_flag("--desktop", Line.Options.Desktop,
               "Full screen at the desktop's own size, the picture scaled to fit")
      ->disable_flag_override();
  App.add_flag("--headless", Line.Options.Headless,
               "Run with no display (SDL's offscreen driver); messages go to standard error");
  App.add_flag("--immediate", Line.Options.Immediate,
               "Draw every star and particle on its own in immediate mode: the slower reference "
               "drawing, which the normal drawing matches pixel for pixel");
  App.add_flag("--frame-locked", Line.Options.FrameLocked,
               "The original pacing: one step per 10 ms tick, every step drawn, no vertical sync; "
               "the game slows down when drawing cannot keep up")
      ->disable_flag_override();
  App.add_flag("--no-vsync", Line.NoVSync,
               "Swap each frame at once, without vertical sync (at most the display's refresh "
               "rate of frames a second, or the setting max_fps)")
      ->disable_flag_override();
  App.add_flag("--no-interpolation", Line.NoInterpolation,
               "Draw every frame of one whole step, as the steps fall: no frames between the "
               "steps, and the cursor where the mouse was at the last step")
      ->disable_flag_override();
  App.add_option("--refresh", Line.Options.Refresh,
                 "Show frames as a display of HZ with vertical sync would, only at whole "
                 "multiples of 1/HZ s (for displays without vertical blanking); with --timedemo, "
                 "draw the frames such a display would show over the demo, back to back")
      ->check(CLI::Range(1, 1000))
      ->type_name("HZ");
  App.add_flag("--no-settings", Line.NoSettings,
               "Run with the built-in settings: the settings file is neither read nor written")
      ->disable_flag_override();
}

// The options of demos, dumps and screenshots, and the help's closing words.
void DescribeDemoOptions(CLI::App& App, TCommandLine& Line) {
  App.add_option("--frames", Line.Options.Frames, "Quit after N steps")->check(CLI::PositiveNumber);
  App.add_option("--record", Line.Files.Record,
                 "Record the mouse, step by step, into the demo FILE")
      ->type_name("FILE");
  CLI::Option* play = App.add_option("--play", Line.Files.Play,
                                     "Replay the demo FILE at the game's pace, then quit")
                          ->type_name("FILE");
  CLI::Option* timedemo =
      App.add_option("--timedemo", Line.Files.Timedemo,
                     "Replay the demo FILE as fast as possible, then print timings")
          ->type_name("FILE");
  CLI::Option* verify =
      App.add_option("--verify", Line.Files.Verify,
                     "Replay the demo FILE as fast as possible and compare the checks and scores "
                     "it holds; stops at the first that differs (status 1). With --headless "
                     "nothing is drawn. With --scores, verify the hall of fame instead")
          ->type_name("FILE")
          ->expected(0, 1);
  CLI::Option* scores =
      App.add_flag("--scores", Line.Scores,
                   "Print the hall of fame, the ten best scores of the recorded runs; with "
                   "--verify, replay each headless and say whether it is verified or what "
                   "differs (status 1 if any differs or its replay is missing)")
          ->disable_flag_override();
  CLI::Option* playScore =
      App.add_option("--play-score", Line.PlayScore,
                     "Replay the game of the hall of fame's entry N: the run's steps before it "
                     "undrawn and fast, then the game at its pace, with the replay controls")
          ->check(CLI::PositiveNumber)
          ->type_name("N");
  play->excludes(timedemo);
  verify->excludes(play);
  verify->excludes(timedemo);
  playScore->excludes(play);
  playScore->excludes(timedemo);
  playScore->excludes(verify);
  playScore->excludes(scores);
  App.add_option("--frame-log", Line.Files.FrameLog,
                 "Write a line for every frame shown to FILE: TIME STEP FRACTION CAMERA_X "
                 "CAMERA_Y CURSOR_X CURSOR_Y")
      ->type_name("FILE");
  App.add_option("--statdump", Line.Files.StateDump,
                 "When the run ends, write the world's state as JSON to FILE")
      ->type_name("FILE");
  App.add_option("--statdump-at", Line.DumpAtArgs,
                 "Write the world's state as JSON to FILE after step N")
      ->expected(2)
      ->type_name("N FILE");
  App.add_option("--screenshot", Line.ScreenshotArgs,
                 "Draw step N of the run and write it to FILE as a PNG")
      ->expected(2)
      ->type_name("N FILE");
  App.footer(
      "Pacing: the game runs 100 steps to every second of real time, and draws a frame for "
      "every refresh of the display, each for the time it is shown: everything that moves is "
      "drawn between the step before and the last by the fraction of a step that has passed "
      "then, and the cursor where the mouse is (--no-interpolation, or the setting "
      "interpolation = 0, draws the last step whole). When drawing cannot keep up, the steps "
      "that fall due run between frames (at least every fourth is shown); after a stall of more "
      "than a quarter of a second the game goes on from now. --frame-locked gives the original "
      "pacing instead. --timedemo draws every step, back to back.\n\n"
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
      "given here win for the run.\n\n"
      "Hall of fame: every live run is recorded in $XDG_DATA_HOME/gloopa/replays "
      "(~/.local/share/gloopa/replays; %APPDATA%\\Gloopa\\replays on Windows), unless it is "
      "recorded with --record, run with --no-settings or the setting record_games = 0. A game "
      "that ends with a score among the ten best is kept in scores.txt there with its run's "
      "replay; H on the title shows the table.");
}

// "N FILE" of --screenshot and --statdump-at: a number of at least 1 and a file name. Otherwise
// says what is wrong, with the usage, and returns false.
bool TakeNumberAndFile(const std::vector<std::string>& Args, const char* Option, const char* What,
                       const CLI::App& App, int64_t& Number, std::string& File) {
  if (Args.empty()) return true;
  if (Args.size() == 2 && ParseFrameNumber(Args[0], Number) && !Args[1].empty()) {
    File = Args[1];
    return true;
  }
  std::cerr << Option << ": expected a " << What << " number of at least 1 and a FILE, found \""
            << Args[0] << "\"\n\n"
            << App.help();
  return false;
}

} // namespace

int main(int argc, char** argv) {
  AttachParentConsole();
  CLI::App app{"Gloopa: a game of life, death and destruction", "gloopa"};
  TCommandLine line;
  DescribeDisplayOptions(app, line);
  DescribeDemoOptions(app, line);
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
  TRunOptions& options = line.Options;
  TSessionFiles& files = line.Files;
  options.VSync = !line.NoVSync;
  if (!TakeNumberAndFile(line.ScreenshotArgs, "--screenshot", "frame", app, files.ScreenshotFrame,
                         files.Screenshot) ||
      !TakeNumberAndFile(line.DumpAtArgs, "--statdump-at", "step", app, files.StateDumpStep,
                         files.StateDumpAt))
    return 2;

  const std::string hallFolder = THallOfFame::DefaultFolder();
  const bool verifyGiven = app.count("--verify") > 0;
  if (line.Scores) return PrintScores(hallFolder, verifyGiven);
  if (verifyGiven && files.Verify.empty()) {
    std::cerr << "--verify: expected a FILE (or --scores to verify the hall of fame)\n\n"
              << app.help();
    return 2;
  }
  if (line.PlayScore > 0) {
    const int refused = ChooseScoreReplay(hallFolder, line.PlayScore, files, options);
    if (refused != 0) return refused;
  }

  const bool ownRun = files.Timedemo.empty() && files.Verify.empty() && !options.Headless;
  UseSettings(ownRun && !line.NoSettings, app.count("--windowed") + app.count("--desktop") > 0,
              line.NoVSync, options);
  // A live run is kept for the hall of fame, unless it is recorded elsewhere, runs without the
  // player's settings, or the player said not to.
  if (ownRun && files.Play.empty()) {
    files.Hall = hallFolder;
    files.RecordHall = files.Record.empty() && !line.NoSettings && options.Remembered.RecordGames;
  }
  if (line.NoInterpolation) options.Interpolate = false;
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
