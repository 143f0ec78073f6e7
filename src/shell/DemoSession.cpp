#include "shell/DemoSession.h"

#include "gl/GL.h"

#include <algorithm>
#include <iostream>

#include "platform/WholeFile.h"
#include "shell/GLWindow.h"
#include "shell/Pacer.h"
#include "shell/Screenshot.h"
#include "world/StateDump.h"

namespace {

// Checks before the game starts that Path can be written, without creating or changing it.
bool CanWrite(const std::string& Path, const char* What) {
  std::string reason;
  if (CanReplaceFile(Path, reason)) return true;
  std::cerr << "cannot write the " << What << " " << Path << ": " << reason << "\n";
  return false;
}

} // namespace

void TDemoFeed::Send(const TDemoFrame& Next) {
  TDemoMessage messages[3];
  const int32_t count = DemoMessages(HasPrevious ? &Previous : nullptr, Next, messages);
  for (int32_t i = 0; i < count; ++i)
    GameWindowProc(GameWindowHandle(), messages[i].Message, messages[i].WParam, messages[i].LParam);
  Previous = Next;
  HasPrevious = true;
}

int TDemoSession::Open(const TSessionFiles& SessionFiles, TRunOptions& Run) {
  Files = SessionFiles;
  const std::string& demoPath = !Files.Play.empty() ? Files.Play : Files.Timedemo;
  if (!demoPath.empty()) {
    std::string error;
    if (!TDemo::Load(demoPath, Demo, error)) {
      std::cerr << error << "\n";
      return 2;
    }
    Player.emplace(Demo);
  }
  if (!Files.StateDump.empty() && !CanWrite(Files.StateDump, "state dump")) return 1;
  // The recording goes to disk line by line as it is made (SIGINT, SIGTERM and closing the window
  // end the run through the normal shutdown, which finishes it; a killed run leaves the journal).
  if (!Files.Record.empty()) {
    std::string error;
    if (!Recorder.Start(Files.Record, error)) {
      std::cerr << error << "\n";
      return 1;
    }
  }

  Timed = !Files.Timedemo.empty();
  if (Player) {
    // Playback feeds the demo's mouse through the window procedure, as a real mouse would, and
    // keeps the real mouse out of it.
    Run.ReplayMouse = true;
    Run.Unpaced = Timed;
    if (Timed) Times.Reserve(size_t(std::min<int64_t>(Demo.FrameCount(), 1 << 24)));
  }
  if (!Files.Record.empty())
    Run.OnMessage = [this](uint32_t Message, TWParam, TLParam LParam) {
      Recorder.Observe(Message, LParam);
    };
  Run.BeforeFrame = [this](int64_t, TGloopa&) { return BeforeFrame(); };
  if (!Files.Play.empty())
    Run.PaceReport = [this](const TPaceStats& Stats) { PaceLine = PaceSummary(Stats); };
  if (Files.ScreenshotFrame > 0) {
    // The step asked for is drawn whatever the pacing planned.
    Run.ChooseDraw = [this](int64_t Step, bool Planned) {
      return Planned || Step == Files.ScreenshotFrame;
    };
    Run.AfterFrame = [this](int64_t Frame, TGloopa&) {
      if (Frame != Files.ScreenshotFrame) return;
      // Reported at once; the game goes on, and the run's status tells a script it failed.
      std::string error;
      if (!SaveScreenshot(Files.Screenshot, error)) {
        std::cerr << error << std::endl;
        ScreenshotFailed = true;
      }
    };
  }
  Run.BeforeWorldFreed = [this](int64_t Frames, TGloopa& World) {
    CloseFrame();
    if (!Files.StateDump.empty()) {
      std::string error;
      if (!WriteStateDump(World, Frames, Files.StateDump, error)) {
        std::cerr << error << "\n";
        DumpFailed = true;
      }
    }
  };
  return 0;
}

bool TDemoSession::BeforeFrame() {
  CloseFrame();
  if (Player) {
    TDemoFrame next;
    if (!Player->Next(next)) return false;
    Feed.Send(next);
  }
  if (!Files.Record.empty()) Recorder.EndFrame();
  FrameStart = TClock::now();
  FrameOpen = true;
  return true;
}

void TDemoSession::CloseFrame() {
  if (Timed && FrameOpen) {
    // A frame counts as done once the GL has drawn it, not when its commands were queued;
    // waiting also keeps a software renderer from piling up frames it has not drawn yet.
    glFinish();
    Times.Add(std::chrono::duration<double, std::milli>(TClock::now() - FrameStart).count());
  }
  FrameOpen = false;
}

int TDemoSession::Close(int Status) {
  if (Timed) std::cout << Times.Summary(Times.TotalMilliseconds() / 1000.0) << std::endl;
  if (!PaceLine.empty()) std::cout << PaceLine << std::endl;
  if (!Files.Record.empty()) {
    std::string error;
    if (!Recorder.Finish(error)) {
      std::cerr << error << "\n";
      if (Status == 0) Status = 1;
    }
  }
  if ((DumpFailed || ScreenshotFailed) && Status == 0) Status = 1;
  return Status;
}
