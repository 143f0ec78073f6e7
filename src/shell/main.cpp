// Program entry: reads the options and runs the game.
#include <CLI/CLI.hpp>
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/Demo.h"
#include "shell/GLWindow.h"
#include "shell/Screenshot.h"
#include "shell/WholeFile.h"
#include "world/StateDump.h"
#include "world/gloopaMain.h"

namespace {

using TClock = std::chrono::steady_clock;

// Checks before the game starts that Path can be written, without creating or changing it.
bool CanWrite(const std::string& Path, const char* What) {
  std::string reason;
  if (CanReplaceFile(Path, reason)) return true;
  std::cerr << "cannot write the " << What << " " << Path << ": " << reason << "\n";
  return false;
}

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

double Milliseconds(TClock::duration D) {
  return std::chrono::duration<double, std::milli>(D).count();
}

} // namespace

int main(int argc, char** argv) {
  CLI::App app{"Gloopa: a game of life, death and destruction", "gloopa"};
  TRunOptions options;
  std::string recordPath, playPath, timedemoPath, statdumpPath;
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
  app.add_option("--frames", options.Frames, "Quit after N frames")->check(CLI::PositiveNumber);
  app.add_option("--record", recordPath, "Record the mouse, frame by frame, into the demo FILE")
      ->type_name("FILE");
  CLI::Option* play =
      app.add_option("--play", playPath, "Replay the demo FILE at the game's pace, then quit")
          ->type_name("FILE");
  CLI::Option* timedemo =
      app.add_option("--timedemo", timedemoPath,
                     "Replay the demo FILE as fast as possible, then print timings")
          ->type_name("FILE");
  play->excludes(timedemo);
  app.add_option("--statdump", statdumpPath,
                 "When the run ends, write the world's state as JSON to FILE")
      ->type_name("FILE");
  std::vector<std::string> screenshotArgs;
  app.add_option("--screenshot", screenshotArgs, "Write frame N of the run to FILE as a PNG")
      ->expected(2)
      ->type_name("N FILE");
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
  int64_t screenshotFrame = 0;
  std::string screenshotPath;
  if (!screenshotArgs.empty()) {
    if (screenshotArgs.size() != 2 || !ParseFrameNumber(screenshotArgs[0], screenshotFrame) ||
        screenshotArgs[1].empty()) {
      std::cerr << "--screenshot: expected a frame number of at least 1 and a FILE, found \""
                << (screenshotArgs.empty() ? "" : screenshotArgs[0]) << "\"\n\n"
                << app.help();
      return 2;
    }
    screenshotPath = screenshotArgs[1];
  }

  // A demo is read whole before the game starts, so a malformed one never starts a game.
  const std::string& demoPath = !playPath.empty() ? playPath : timedemoPath;
  TDemo demo;
  std::optional<TDemoPlayer> player;
  if (!demoPath.empty()) {
    std::string error;
    if (!TDemo::Load(demoPath, demo, error)) {
      std::cerr << error << "\n";
      return 2;
    }
    player.emplace(demo);
  }
  if (!statdumpPath.empty() && !CanWrite(statdumpPath, "state dump")) return 1;
  // The recording goes to disk line by line as it is made (SIGINT, SIGTERM and closing the window
  // end the run through the normal shutdown, which finishes it; a killed run leaves the journal).
  TDemoRecorder recorder;
  if (!recordPath.empty()) {
    std::string error;
    if (!recorder.Start(recordPath, error)) {
      std::cerr << error << "\n";
      return 1;
    }
  }

  const bool timed = !timedemoPath.empty();
  TFrameTimes times;
  TClock::time_point frameStart;
  bool frameOpen = false; // a frame's time runs from its BeforeFrame to the next one, or the end
  auto closeFrame = [&] {
    if (timed && frameOpen) {
      // A frame counts as done once the GL has drawn it, not when its commands were queued;
      // waiting also keeps a software renderer from piling up frames it has not drawn yet.
      glFinish();
      times.Add(Milliseconds(TClock::now() - frameStart));
    }
    frameOpen = false;
  };
  TDemoFrame previous;
  bool hasPrevious = false;
  bool dumpFailed = false;
  bool screenshotFailed = false;

  if (player) {
    // Playback feeds the demo's mouse through the window procedure, as a real mouse would, and
    // keeps the real mouse out of it.
    options.ReplayMouse = true;
    options.Unpaced = timed;
    if (timed) times.Reserve(size_t(std::min<int64_t>(demo.FrameCount(), 1 << 24)));
  }
  if (!recordPath.empty())
    options.OnMessage = [&](uint32_t Message, TWParam, TLParam LParam) {
      recorder.Observe(Message, LParam);
    };
  options.BeforeFrame = [&](int64_t, TGloopa&) {
    closeFrame();
    if (player) {
      TDemoFrame next;
      if (!player->Next(next)) return false;
      TDemoMessage messages[3];
      const int32_t count = DemoMessages(hasPrevious ? &previous : nullptr, next, messages);
      for (int32_t i = 0; i < count; ++i)
        GameWindowProc(GameWindowHandle(), messages[i].Message, messages[i].WParam,
                       messages[i].LParam);
      previous = next;
      hasPrevious = true;
    }
    if (!recordPath.empty()) recorder.EndFrame();
    frameStart = TClock::now();
    frameOpen = true;
    return true;
  };
  if (screenshotFrame > 0)
    options.AfterFrame = [&](int64_t Frame, TGloopa&) {
      if (Frame != screenshotFrame) return;
      // Reported at once; the game goes on, and the run's status tells a script it failed.
      std::string error;
      if (!SaveScreenshot(screenshotPath, error)) {
        std::cerr << error << std::endl;
        screenshotFailed = true;
      }
    };
  options.BeforeWorldFreed = [&](int64_t Frames, TGloopa& World) {
    closeFrame();
    if (!statdumpPath.empty()) {
      std::string error;
      if (!WriteStateDump(World, Frames, statdumpPath, error)) {
        std::cerr << error << "\n";
        dumpFailed = true;
      }
    }
  };

  int status = RunGame(nullptr, options);

  if (timed) std::cout << times.Summary(times.TotalMilliseconds() / 1000.0) << std::endl;
  if (!recordPath.empty()) {
    std::string error;
    if (!recorder.Finish(error)) {
      std::cerr << error << "\n";
      if (status == 0) status = 1;
    }
  }
  if (dumpFailed && status == 0) status = 1;
  if (screenshotFailed && status == 0) status = 1;
  return status;
}
