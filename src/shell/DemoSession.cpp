#include "shell/DemoSession.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <iostream>

#include "platform/WholeFile.h"
#include "shell/DemoCheck.h"
#include "shell/GLWindow.h"
#include "shell/Pacer.h"
#include "shell/Screenshot.h"
#include "world/StateDump.h"
#include "world/gloopaMain.h"

namespace {

// Checks before the game starts that Path can be written, without creating or changing it.
bool CanWrite(const std::string& Path, const char* What) {
  std::string reason;
  if (CanReplaceFile(Path, reason)) return true;
  std::cerr << "cannot write the " << What << " " << Path << ": " << reason << "\n";
  return false;
}

// Writes the state dump of World after Step to Path; reports a failure and returns false.
bool DumpState(const TGloopa& World, int64_t Step, const std::string& Path) {
  std::string error;
  if (WriteStateDump(World, Step, Path, error)) return true;
  std::cerr << error << "\n";
  return false;
}

constexpr int64_t CheckEvery = 100; // steps between a recording's checks
// A check's hash is a byte-at-a-time walk of the whole state, 1.3 to 1.7% of a step when made every
// 100 steps; a run recorded for the hall, which the player did not ask for, is checked every 5 s
// of play (and at each game's end by its score line, and after its last step).
constexpr int64_t HallCheckEvery = 500;
constexpr size_t RunsKept = 5; // the newest runs' replays kept besides the hall's

} // namespace

void TDemoFeed::Send(const TDemoFrame& Next) {
  TDemoMessage messages[3];
  const int32_t count = DemoMessages(HasPrevious ? &Previous : nullptr, Next, messages);
  for (int32_t i = 0; i < count; ++i)
    GameWindowProc(GameWindowHandle(), messages[i].Message, messages[i].WParam, messages[i].LParam);
  Previous = Next;
  HasPrevious = true;
}

TDemoSession::~TDemoSession() {
  if (FrameLog) std::fclose(FrameLog);
}

int TDemoSession::Open(const TSessionFiles& SessionFiles, TRunOptions& Run) {
  Files = SessionFiles;
  const int status = OpenFiles();
  if (status != 0) return status;
  OpenHall();
  HookInto(Run);
  return 0;
}

int TDemoSession::OpenFiles() {
  const std::string& demoPath = !Files.Play.empty()       ? Files.Play
                                : !Files.Timedemo.empty() ? Files.Timedemo
                                                          : Files.Verify;
  if (!demoPath.empty()) {
    std::string error;
    if (!TDemo::Load(demoPath, Demo, error)) {
      std::cerr << error << "\n";
      return 2;
    }
    if (!Files.Verify.empty() && Demo.Checks.empty()) {
      // Nothing to compare is no proof: refused rather than reported as all equal.
      std::cerr << demoPath << ": the demo holds no checks to verify (replay it with --play "
                << demoPath << " --record NEW to make a demo with checks)\n";
      return 2;
    }
    Player.emplace(Demo);
  }
  if (!Files.StateDump.empty() && !CanWrite(Files.StateDump, "state dump")) return 1;
  if (!Files.StateDumpAt.empty() && !CanWrite(Files.StateDumpAt, "state dump")) return 1;
  if (!Files.FrameLog.empty()) {
    // Written as the frames are shown, for measuring; a run that is killed leaves what it showed.
    FrameLog = std::fopen(Files.FrameLog.c_str(), "w");
    if (!FrameLog) {
      std::cerr << "cannot write the frame log " << Files.FrameLog << ": " << std::strerror(errno)
                << "\n";
      return 1;
    }
    std::fputs("# gloopa frame log: TIME STEP FRACTION CAMERA_X CAMERA_Y CURSOR_X CURSOR_Y\n",
               FrameLog);
  }
  // The recording goes to disk line by line as it is made (SIGINT, SIGTERM and closing the window
  // end the run through the normal shutdown, which finishes it; a killed run leaves the journal).
  if (!Files.Record.empty()) {
    std::string error;
    if (!Recorder.Start(Files.Record, error)) {
      std::cerr << error << "\n";
      return 1;
    }
  }
  return 0;
}

void TDemoSession::OpenHall() {
  if (Files.Hall.empty()) return;
  const std::string table = THallOfFame::TablePath(Files.Hall);
  std::string error, aside;
  HallWritable = HallTable.Load(table, error, aside) || !aside.empty();
  if (!error.empty()) std::cerr << error << "\n";
  if (!Files.RecordHall || !Files.Record.empty()) return;
  ReplayName = NewReplayName(Files.Hall, int64_t(std::time(nullptr)));
  const std::string path = ReplayPath(Files.Hall, ReplayName);
  // A replay marks the rules its world ran by; no setting changes them yet.
  std::string reason;
  error.clear();
  if (!MakeFolderFor(path, reason)) error = "cannot make the folder " + Files.Hall + ": " + reason;
  if (!error.empty() || !Recorder.Start(path, error, "rules standard")) {
    std::cerr << "this run is not recorded for the hall of fame: " << error << "\n";
    HallFailed = true;
    return;
  }
  Files.Record = path;
  HallRecording = true;
  Ended.reserve(64);
}

void TDemoSession::HookInto(TRunOptions& Run) {
  if (!Files.Hall.empty()) Run.Hall = &HallTable;
  Timed = !Files.Timedemo.empty();
  const bool verifying = !Files.Verify.empty();
  if (Player) {
    // Playback feeds the demo's mouse through the window procedure, as a real mouse would, and
    // keeps the real mouse out of it.
    Run.ReplayMouse = true;
    Run.Unpaced = Timed || verifying;
    Run.FinishFrames = Timed;
    if (Timed) Times.Reserve(size_t(std::min<int64_t>(Demo.FrameCount(), 1 << 24)));
  }
  if (!Files.Play.empty()) {
    Run.ReplayControls = true;
    Run.TakeOver = [this](const TDemoFrame* Mouse) {
      // The world goes from the demo's mouse to the real one, buttons up when it is elsewhere.
      TDemoFrame next = Feed.Last();
      if (Mouse)
        next = *Mouse;
      else
        next.Left = next.Right = false;
      Feed.Send(next);
      TakenOver = true;
    };
  }
  if (!Files.Record.empty())
    Run.OnMessage = [this](uint32_t Message, TWParam, TLParam LParam) {
      Recorder.Observe(Message, LParam);
    };
  Run.BeforeFrame = [this](int64_t, TGloopa&) { return BeforeFrame(); };
  // A timed frame runs from its start, before its steps, until it has been drawn and shown (the
  // shell has waited for the GL to draw it: FinishFrames).
  if (Timed)
    Run.FrameStarts = [this] {
      FrameStart = TClock::now();
      FrameOpen = true;
    };
  if (Timed || FrameLog)
    Run.FrameShown = [this](const TFrameShown& F) {
      if (Timed && FrameOpen)
        Times.Add(std::chrono::duration<double, std::milli>(TClock::now() - FrameStart).count());
      FrameOpen = false;
      if (FrameLog)
        std::fprintf(FrameLog, "%lld %lld %.6f %.4f %.4f %.4f %.4f\n",
                     static_cast<long long>(F.Time), static_cast<long long>(F.Step),
                     double(F.Fraction), double(F.CameraX), double(F.CameraY), double(F.CursorX),
                     double(F.CursorY));
    };
  if (!Files.Play.empty())
    Run.PaceReport = [this](const TPaceStats& Stats) { PaceLine = PaceSummary(Stats); };
  // A headless verified replay draws nothing; the step of a screenshot is drawn whatever the
  // pacing planned.
  const bool drawNothing = verifying && Run.Headless;
  if (Files.ScreenshotFrame > 0 || drawNothing)
    Run.ChooseDraw = [this, drawNothing](int64_t Step, bool Planned) {
      return (Planned && !drawNothing) || Step == Files.ScreenshotFrame;
    };
  Run.AfterStep = [this](int64_t Step, TGloopa& World) { return AfterStep(Step, World); };
  if (Files.ScreenshotFrame > 0) {
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
    // A recording ends with a check of its last step.
    if (!Files.Record.empty() && Frames > 0) Recorder.Check(CheckOfWorld(World, Frames));
    if (!Files.StateDump.empty() && !DumpState(World, Frames, Files.StateDump)) DumpFailed = true;
  };
}

bool TDemoSession::AfterStep(int64_t Step, TGloopa& World) {
  LastStep = Step;
  const bool ended = World.State == gsGameOver && LastState == gsPlaying;
  if (World.State == gsPlaying && LastState == gsTitle) GameStart = Step;
  LastState = World.State;
  if (ended) GameEnded(Step, World);
  if (Player && !TakenOver && NextScore < Demo.Scores.size() &&
      Demo.Scores[NextScore].Step == Step &&
      !Desync(ScoreMismatch(Demo.Scores[NextScore++], ended, World.Score)))
    return false;
  if (Step == Files.StateDumpStep && !Files.StateDumpAt.empty() &&
      !DumpState(World, Step, Files.StateDumpAt))
    DumpFailed = true;
  const bool recordCheck =
      !Files.Record.empty() && Step % (HallRecording ? HallCheckEvery : CheckEvery) == 0;
  const bool compare =
      Player && !TakenOver && NextCheck < Demo.Checks.size() && Demo.Checks[NextCheck].Step == Step;
  if (!recordCheck && !compare) return true;
  const TDemoCheck check = CheckOfWorld(World, Step);
  if (recordCheck) Recorder.Check(check);
  if (!compare) return true;
  return Desync(CheckMismatch(Demo.Checks[NextCheck++], check));
}

bool TDemoSession::Desync(const std::string& What) {
  if (What.empty() || Desynced) return true;
  Desynced = true;
  FirstMismatch = What;
  if (!Files.Verify.empty()) {
    if (!Files.Quiet) std::cerr << What << "\n";
    return false;
  }
  // A replay at the game's pace says so once, and plays on.
  std::cerr << What << " (the replay goes on)\n";
  return true;
}

void TDemoSession::GameEnded(int64_t Step, const TGloopa& World) {
  const TEndedGame game{Step, World.Score, GameStart};
  Ended.push_back(game);
  if (Files.Record.empty()) return;
  // The claim goes into the replay before the table names it.
  Recorder.Score(TDemoScore{Step, game.Score, 0});
  if (!HallRecording || !HallWritable) return;
  THallEntry entry;
  entry.Score = game.Score;
  entry.Time = int64_t(std::time(nullptr));
  entry.Steps = Step - GameStart;
  entry.Version = GLOOPA_VERSION;
  entry.Replay = ReplayName;
  entry.EndStep = Step;
  if (HallTable.Enter(entry) == 0) return;
  std::string error;
  if (!HallTable.Save(THallOfFame::TablePath(Files.Hall), error) && !HallFailed) {
    HallFailed = true; // said once; the game goes on
    std::cerr << error << "\n";
  }
}

bool TDemoSession::BeforeFrame() {
  if (Player) {
    TDemoFrame next;
    if (!TakenOver) {
      if (!Player->Next(next)) return false;
      Feed.Send(next);
    }
  }
  if (!Files.Record.empty()) Recorder.EndFrame();
  return true;
}

int TDemoSession::Close(int Status) {
  if (Timed) std::cout << Times.Summary(Times.TotalMilliseconds() / 1000.0) << std::endl;
  if (!PaceLine.empty()) std::cout << PaceLine << std::endl;
  if (!Files.Verify.empty() && !Desynced) {
    if (NextCheck == Demo.Checks.size() && NextScore == Demo.Scores.size()) {
      if (!Files.Quiet)
        std::cout << "verify: " << LastStep << " steps, " << Demo.Checks.size() << " checks, "
                  << (Demo.Scores.empty()       ? ""
                      : Demo.Scores.size() == 1 ? std::string("1 score, ")
                                                : std::to_string(Demo.Scores.size()) + " scores, ")
                  << "all equal" << std::endl;
    } else {
      // A run that failed (no window, say) stopped for its own reason.
      if (Status == 0) FirstMismatch = "the replay stopped after step " + std::to_string(LastStep);
      if (!Files.Quiet)
        std::cerr << "verify: stopped after step " << LastStep << " of " << Demo.FrameCount()
                  << ", " << NextCheck << " of " << Demo.Checks.size() << " checks compared"
                  << std::endl;
      if (Status == 0) Status = 1;
    }
  }
  if (Desynced && !Files.Verify.empty() && Status == 0) Status = 1;
  if (Files.StateDumpStep > LastStep && !Files.StateDumpAt.empty()) {
    std::cerr << "the run ended after step " << LastStep << ", before step " << Files.StateDumpStep
              << ": the state dump " << Files.StateDumpAt << " was not written" << std::endl;
    DumpFailed = true;
  }
  if (!Files.Record.empty()) {
    std::string error;
    if (!Recorder.Finish(error)) {
      std::cerr << error << "\n";
      // The player did not ask for the hall's recording: its failure is said, not a failed run.
      if (Status == 0 && !HallRecording) Status = 1;
    }
  }
  if (HallRecording) PruneReplays(Files.Hall, HallTable, RunsKept);
  if (FrameLog) {
    const bool written = !std::ferror(FrameLog);
    if (std::fclose(FrameLog) != 0 || !written) {
      std::cerr << "cannot write the frame log " << Files.FrameLog << "\n";
      FrameLogFailed = true;
    }
    FrameLog = nullptr;
  }
  if ((DumpFailed || ScreenshotFailed || FrameLogFailed) && Status == 0) Status = 1;
  return Status;
}
