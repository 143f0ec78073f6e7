#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "shell/Demo.h"

struct TRunOptions;

// Sends the game window the messages a real mouse would send to go from the frame sent last to
// Next (for the first frame: a move, then the buttons held).
class TDemoFeed {
public:
  void Send(const TDemoFrame& Next);

private:
  TDemoFrame Previous;
  bool HasPrevious = false;
};

// What a run does besides playing: the files it reads and writes. Empty paths are not used.
struct TSessionFiles {
  std::string Record;          // record the mouse into this demo
  std::string Play;            // replay this demo at the game's pace
  std::string Timedemo;        // replay this demo as fast as possible and time it
  std::string StateDump;       // the world's state as JSON when the run ends
  int64_t ScreenshotFrame = 0; // write this frame (from 1) to Screenshot; 0 for none
  std::string Screenshot;
};

// One run's demo work: recording, playback, the timed replay, the screenshot of a frame and the
// state dump at the end, hooked into the shell's run options. Errors go to standard error.
class TDemoSession {
public:
  TDemoSession() = default;
  TDemoSession(const TDemoSession&) = delete;
  TDemoSession& operator=(const TDemoSession&) = delete;

  // Reads the demo whole (so a malformed one never starts a game), checks that the state dump can
  // be written and starts the recording, then sets Run's hooks. Returns 0, or the exit status of
  // a run that must not start: 2 for a bad demo, 1 for a file that cannot be written.
  int Open(const TSessionFiles& Files, TRunOptions& Run);
  // After the run: prints the timings of a timed replay and finishes the recording. Returns
  // Status, or 1 in its place when it was 0 and a file of the session could not be written.
  int Close(int Status);

private:
  using TClock = std::chrono::steady_clock;
  bool BeforeFrame();
  void CloseFrame();

  TSessionFiles Files;
  TDemo Demo;
  std::optional<TDemoPlayer> Player;
  TDemoRecorder Recorder;
  bool Timed = false;
  TFrameTimes Times;
  TClock::time_point FrameStart;
  bool FrameOpen = false; // a frame's time runs from its BeforeFrame to the next one, or the end
  TDemoFeed Feed;
  bool DumpFailed = false;
  bool ScreenshotFailed = false;
  std::string PaceLine; // the pacing's figures, printed when a replay at the game's pace ends
};
