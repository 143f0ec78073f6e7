#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "shell/Demo.h"
#include "shell/HallOfFame.h"

class TGloopa;
struct TRunOptions;

// Sends the game window the messages a real mouse would send to go from the frame sent last to
// Next (for the first frame: a move, then the buttons held).
class TDemoFeed {
public:
  void Send(const TDemoFrame& Next);
  // The frame sent last (the world's first mouse before any).
  const TDemoFrame& Last() const { return Previous; }

private:
  TDemoFrame Previous;
  bool HasPrevious = false;
};

// What a run does besides playing: the files it reads and writes. Empty paths are not used.
struct TSessionFiles {
  std::string Record;        // record the mouse into this demo
  std::string Play;          // replay this demo at the game's pace
  std::string Timedemo;      // replay this demo as fast as possible and time it
  std::string Verify;        // replay this demo as fast as possible and compare its checks
  std::string StateDump;     // the world's state as JSON when the run ends
  int64_t StateDumpStep = 0; // write the state after this step (from 1) to StateDumpAt
  std::string StateDumpAt;
  int64_t ScreenshotFrame = 0; // write this frame (from 1) to Screenshot; 0 for none
  std::string Screenshot;
  std::string FrameLog; // a line for every frame shown
  // The hall of fame's folder: its table is read for the run (H on the title shows it), and with
  // RecordHall the run is recorded there and its games that rank are entered. Empty: no hall.
  std::string Hall;
  bool RecordHall = false;
  // A verified replay's verdict is kept for the caller (Mismatch, EndedGames), not printed.
  bool Quiet = false;
};

// A game that ended in the run: the step that turned to game over, its score, and the step in
// which it started.
struct TEndedGame {
  int64_t Step = 0, Score = 0, Start = 0;
};

// One run's demo work: recording with checks, playback (with its controls), the timed replay, the
// verified replay, the screenshot of a frame and the state dumps, hooked into the shell's run
// options. Errors go to standard error.
class TDemoSession {
public:
  TDemoSession() = default;
  ~TDemoSession();
  TDemoSession(const TDemoSession&) = delete;
  TDemoSession& operator=(const TDemoSession&) = delete;

  // Reads the demo whole (so a malformed one never starts a game), checks that the state dumps
  // can be written and starts the recording, then sets Run's hooks. Returns 0, or the exit status
  // of a run that must not start: 2 for a bad demo (or one to verify that holds no checks), 1 for
  // a file that cannot be written.
  int Open(const TSessionFiles& Files, TRunOptions& Run);
  // After the run: prints the timings of a timed replay or the verdict of a verified one and
  // finishes the recording. Returns Status, or 1 in its place when it was 0 and a file of the
  // session could not be written, a check differed or a verified replay stopped short.
  int Close(int Status);

  // The games that ended in the run so far, the first desync of a replay ("" when none), and the
  // hall of fame as the run has it.
  const std::vector<TEndedGame>& EndedGames() const { return Ended; }
  const std::string& Mismatch() const { return FirstMismatch; }
  const THallOfFame& Hall() const { return HallTable; }

private:
  using TClock = std::chrono::steady_clock;
  // Reads the demo and checks that the files to write can be written; the run's status when not.
  int OpenFiles();
  // Sets the run's options and hooks for the files asked for.
  void HookInto(TRunOptions& Run);
  bool BeforeFrame();
  bool AfterStep(int64_t Step, TGloopa& World);
  // Reads the hall's table and, for a run recorded there, starts its replay; a failure is
  // reported once and the game goes on without it.
  void OpenHall();
  // Step turned a game to game over: its score line and, when it ranks, its entry.
  void GameEnded(int64_t Step, const TGloopa& World);
  // A desync found at Step: reported, and for a verified replay the end of the run.
  bool Desync(const std::string& What);

  TSessionFiles Files;
  TDemo Demo;
  std::optional<TDemoPlayer> Player;
  TDemoRecorder Recorder;
  bool Timed = false;
  TFrameTimes Times;
  TClock::time_point FrameStart;
  bool FrameOpen = false; // a timed frame has started and not yet been shown
  std::FILE* FrameLog = nullptr;
  TDemoFeed Feed;
  bool TakenOver = false; // the player has the game: the demo is fed no more, nor checked
  size_t NextCheck = 0;   // the demo's first check still to come
  bool Desynced = false;
  int64_t LastStep = 0;
  bool DumpFailed = false;
  bool ScreenshotFailed = false;
  bool FrameLogFailed = false;
  std::string PaceLine; // the pacing's figures, printed when a replay at the game's pace ends
  THallOfFame HallTable;
  std::string ReplayName; // the run's replay in the hall's folder
  bool HallRecording = false;
  bool HallWritable = false; // the table may be written (it was read, or moved aside)
  bool HallFailed = false;   // a failure to keep the hall was reported
  uint8_t LastState = 0;     // the world's state after the step before
  int64_t GameStart = 0;
  std::vector<TEndedGame> Ended;
  size_t NextScore = 0; // the demo's first score line still to come
  std::string FirstMismatch;
};
