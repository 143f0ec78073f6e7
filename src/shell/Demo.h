#pragma once
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WindowMessages.h"

// Demos: what the mouse did before each frame of a run, so that a run can be replayed exactly,
// and (from version 2) checks of the state the run reached, so that a replay can prove it played
// the same game. docs/DEMOS.md describes the file in full.
//
// The file is text. The first line is "gloopa-demo 1" or "gloopa-demo 2"; lines starting with '#'
// are comments (blank lines are skipped too); every other line is "X Y L R [N]": the mouse
// position in window pixels as the window reports it (-32768..32767, the range of the message
// words; negative beyond the window's left or top edge while a button is held), whether the left
// and the right button are held (0 or 1), and for how many consecutive frames this holds (1 when
// left out). The first state line describes frame 1.
//
// Version 2 adds check lines, "check STEP HASH SEED SCORE ENERGY PARTICLES": the world after step
// STEP, which must be the number of steps the lines before it cover. HASH is StateHash in hex; the
// rest are the random seed, the score, the energy and the live particle count, in decimal. It
// also adds score lines, "score STEP SCORE": a game ended in step STEP with that score.

// The mouse as the world sees it when a frame begins.
struct TDemoFrame {
  int32_t X = 512, Y = 384;
  bool Left = false, Right = false;
  bool operator==(const TDemoFrame&) const = default;
};

// One state line: a mouse state and how many frames it holds.
struct TDemoLine {
  TDemoFrame State;
  int64_t Count = 1;
};

// What a check line says of the world after its step.
struct TDemoCheck {
  int64_t Step = 0;
  uint64_t Hash = 0;
  uint32_t Seed = 0;
  int64_t Score = 0, Energy = 0, Particles = 0;
  int64_t Line = 0; // the line it was read from (0 for one made in play)
};

// What a score line claims: a game ended (turned to game over) in step STEP with this score.
struct TDemoScore {
  int64_t Step = 0;
  int64_t Score = 0;
  int64_t Line = 0; // the line it was read from (0 for one made in play)
};

constexpr int32_t DemoMinCoordinate = -32768;
constexpr int32_t DemoMaxCoordinate = 32767;

class TDemo {
public:
  int32_t Version = 1;
  std::vector<TDemoLine> Lines;
  std::vector<TDemoCheck> Checks; // in order of their steps, each at the end of a line
  std::vector<TDemoScore> Scores; // likewise

  int64_t FrameCount() const;
  // The state of frame N (from 1); N must lie in 1..FrameCount().
  TDemoFrame FrameAt(int64_t N) const;

  // Reads a demo. On failure returns false and sets Error to "NAME:LINE: what is wrong"; Name
  // is the file name shown in the message.
  static bool Parse(std::istream& In, const std::string& Name, TDemo& Out, std::string& Error);
  static bool Load(const std::string& Path, TDemo& Out, std::string& Error);

  // The demo as text, one line per state with its count and each check after the line it ends.
  // Version 2 demos name the game that recorded them in a comment below the first line.
  std::string Text() const;
  // Note: a comment line of its own below the header (version 2 only), or nothing.
  static std::string Header(int32_t Version, const std::string& Note = "");
  static std::string LineText(const TDemoLine& Line);
  // LineText into Out, which must hold LineTextMax characters; returns the length.
  static constexpr size_t LineTextMax = 64;
  static size_t FormatLine(const TDemoLine& Line, char* Out);
  static std::string CheckText(const TDemoCheck& Check);
  static std::string ScoreText(const TDemoScore& Score);
  bool Save(const std::string& Path, std::string& Error) const;
};

// Plays a demo back one frame at a time.
class TDemoPlayer {
public:
  explicit TDemoPlayer(const TDemo& Demo) : Demo(&Demo) {}
  // The next frame's state; false after the demo's last frame.
  bool Next(TDemoFrame& Frame);
  int64_t FramesPlayed() const { return Played; }

private:
  const TDemo* Demo;
  size_t Line = 0;
  int64_t UsedOfLine = 0;
  int64_t Played = 0;
};

// A window message as the window procedure receives it.
struct TDemoMessage {
  uint32_t Message = 0;
  TWParam WParam = 0;
  TLParam LParam = 0;
};

// The messages a real mouse would send to go from Previous to Next: a move when the position
// changed (always, when there is no previous frame), then a button down or up for each button
// that changed. Writes at most three messages into Out and returns how many.
int32_t DemoMessages(const TDemoFrame* Previous, const TDemoFrame& Next, TDemoMessage Out[3]);

// Collects the mouse state the window reports, frame by frame, into a version 2 demo with counted
// lines and the checks it is given.
class TDemoRecorder {
public:
  TDemoRecorder() { Recorded.Demo.Version = 2; }
  TDemoRecorder(const TDemoRecorder&) = delete;
  TDemoRecorder& operator=(const TDemoRecorder&) = delete;
  ~TDemoRecorder();

  // Follows the window's mouse messages (other messages are ignored).
  void Observe(uint32_t Message, TLParam LParam);
  // Notes the current state as the next frame's.
  void EndFrame();
  // Ends the line being counted and adds Check after it. Check.Step must be the number of frames
  // recorded; a check for any other step is left out and false returned.
  bool Check(const TDemoCheck& Check);
  // Likewise for a score line: at most one a step.
  bool Score(const TDemoScore& Score);
  int64_t Frames() const { return Recorded.Frames; }
  // What has been recorded. While a journal is kept, only the line still being counted.
  const TDemo& Demo() const { return Recorded.Demo; }
  const TDemoFrame& Current() const { return State; }

  // Records for Path. When Path is (or will be) a regular file, the lines go to the journal
  // Path + ".part" as they are completed, gathered and written whole at every check and score line
  // (so a second of play at most), so a run that is killed leaves a demo that replays up to its
  // last line written; Finish then renames the journal into place. Anything
  // else (a device, a pipe) gets the whole demo at Finish. Call before the first EndFrame. On
  // failure returns false with "cannot write the demo PATH: reason" in Error. Note is a comment
  // for the header (see TDemo::Header).
  bool Start(const std::string& Path, std::string& Error, const std::string& Note = "");
  // Writes the demo to the path given to Start. Without Start, nothing is written and true is
  // returned. On failure the file at the path is left as it was.
  bool Finish(std::string& Error);
  // Ends a journal without keeping it.
  void Abandon();

private:
  // Gathers Text for the journal; Flush writes what is gathered.
  void Write(std::string_view Text);
  void Flush();
  // Ends the line being counted, before a check or a score line at this step.
  bool EndLineAt(int64_t Step);
  TDemoFrame State;
  struct {
    TDemo Demo;
    int64_t Frames = 0;
    bool LineOpen = false; // the last line may still grow
  } Recorded;
  std::string Path, Journal;
  int JournalFd = -1;
  int JournalErrno = 0; // the first write error of the journal
  // Whole lines not yet written: a write a line would cost more than the step it records.
  char Pending[4096];
  size_t PendingSize = 0;
};

// Frame times of a timed replay and the one-line summary printed at its end:
// "timedemo: F frames, S s, P fps, frame ms p50 A p99 B max C". Percentiles are nearest-rank.
class TFrameTimes {
public:
  void Reserve(size_t Frames) { Milliseconds.reserve(Frames); }
  void Add(double FrameMilliseconds) { Milliseconds.push_back(FrameMilliseconds); }
  double TotalMilliseconds() const;
  std::string Summary(double TotalSeconds) const;
  // The nearest-rank percentile P (0 < P <= 100) of the frame times; 0 with no frames.
  double Percentile(double P) const;

private:
  std::vector<double> Milliseconds;
};
