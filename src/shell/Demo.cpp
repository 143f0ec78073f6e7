#include "shell/Demo.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/WholeFile.h"

#ifndef GLOOPA_VERSION
#define GLOOPA_VERSION "unknown"
#endif

namespace {

// Splits a line into whitespace-separated words.
std::vector<std::string> Words(const std::string& Line) {
  std::vector<std::string> words;
  std::istringstream in(Line);
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

// A plain decimal integer (an optional minus sign, then digits) that fits in 64 bits.
bool ParseInteger(const std::string& Word, int64_t& Value) {
  size_t i = 0;
  bool negative = false;
  if (i < Word.size() && (Word[i] == '-' || Word[i] == '+')) {
    negative = Word[i] == '-';
    ++i;
  }
  if (i == Word.size()) return false;
  uint64_t magnitude = 0;
  for (; i < Word.size(); ++i) {
    if (Word[i] < '0' || Word[i] > '9') return false;
    magnitude = magnitude * 10 + uint64_t(Word[i] - '0');
    if (magnitude > uint64_t(INT64_MAX)) return false;
  }
  Value = negative ? -int64_t(magnitude) : int64_t(magnitude);
  return true;
}

// Up to 16 hex digits, either case.
bool ParseHex64(const std::string& Word, uint64_t& Value) {
  if (Word.empty() || Word.size() > 16) return false;
  uint64_t v = 0;
  for (const char c : Word) {
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0) return false;
    v = v << 4 | uint64_t(digit);
  }
  Value = v;
  return true;
}

// Reads the words of a check line into Check, or says what is wrong with them. Steps is how many
// steps the lines before it cover, and Last the step of the check before it (0 for none).
std::string ParseCheck(const std::vector<std::string>& Words, int64_t Steps, int64_t Last,
                       TDemoCheck& Check) {
  if (Words.size() != 7)
    return "expected \"check STEP HASH SEED SCORE ENERGY PARTICLES\", found " +
           std::to_string(Words.size()) + " fields";
  if (!ParseInteger(Words[1], Check.Step))
    return "check STEP is not an integer: \"" + Words[1] + "\"";
  if (!ParseHex64(Words[2], Check.Hash))
    return "check HASH is not a 64-bit hex number: \"" + Words[2] + "\"";
  int64_t values[4];
  static const char* const names[4] = {"SEED", "SCORE", "ENERGY", "PARTICLES"};
  for (int i = 0; i < 4; ++i)
    if (!ParseInteger(Words[3 + i], values[i]))
      return std::string("check ") + names[i] + " is not an integer: \"" + Words[3 + i] + "\"";
  if (values[0] < 0 || values[0] > int64_t(UINT32_MAX))
    return "check SEED " + Words[3] + " is out of range 0..4294967295";
  if (values[3] < 0) return "check PARTICLES cannot be negative, found " + Words[6];
  if (Check.Step == Last && Last > 0) return "a second check at step " + Words[1];
  if (Check.Step != Steps)
    return "check at step " + Words[1] + ", but the lines before it cover " +
           std::to_string(Steps) + " steps";
  if (Check.Step < 1) return "a check must follow at least one step";
  Check.Seed = uint32_t(values[0]);
  Check.Score = values[1];
  Check.Energy = values[2];
  Check.Particles = values[3];
  return "";
}

// Reads the words of a score line into Score, or says what is wrong with them; Steps and Last as
// for a check.
std::string ParseScore(const std::vector<std::string>& Words, int64_t Steps, int64_t Last,
                       TDemoScore& Score) {
  if (Words.size() != 3)
    return "expected \"score STEP SCORE\", found " + std::to_string(Words.size()) + " fields";
  if (!ParseInteger(Words[1], Score.Step))
    return "score STEP is not an integer: \"" + Words[1] + "\"";
  if (!ParseInteger(Words[2], Score.Score))
    return "score SCORE is not an integer: \"" + Words[2] + "\"";
  if (Score.Step == Last && Last > 0) return "a second score at step " + Words[1];
  if (Score.Step != Steps)
    return "score at step " + Words[1] + ", but the lines before it cover " +
           std::to_string(Steps) + " steps";
  if (Score.Step < 1) return "a score must follow at least one step";
  return "";
}

} // namespace

int64_t TDemo::FrameCount() const {
  int64_t total = 0;
  for (const TDemoLine& line : Lines) total += line.Count;
  return total;
}

TDemoFrame TDemo::FrameAt(int64_t N) const {
  for (const TDemoLine& line : Lines) {
    if (N <= line.Count) return line.State;
    N -= line.Count;
  }
  return Lines.empty() ? TDemoFrame{} : Lines.back().State;
}

bool TDemo::Parse(std::istream& In, const std::string& Name, TDemo& Out, std::string& Error) {
  Out = TDemo{};
  std::string text;
  int64_t number = 0;
  bool sawHeader = false;
  int64_t total = 0;
  auto fail = [&](const std::string& What) {
    Error = Name + ":" + std::to_string(number) + ": " + What;
    Out = TDemo{};
    return false;
  };
  while (std::getline(In, text)) {
    ++number;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (!sawHeader) {
      const std::vector<std::string> words = Words(text);
      if (words.size() != 2 || words[0] != "gloopa-demo")
        return fail("not a demo: the first line must be \"gloopa-demo 2\" (or 1)");
      if (words[1] != "1" && words[1] != "2")
        return fail("demo version " + words[1] + " is not supported (only 1 and 2)");
      Out.Version = words[1] == "1" ? 1 : 2;
      sawHeader = true;
      continue;
    }
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#') continue;
    // A line of other white space (a vertical tab, a form feed, a second carriage return) holds
    // no words; it is refused below, as it always was, rather than read as a check.
    const std::vector<std::string> words = Words(text);
    if (Out.Version >= 2 && !words.empty() && words[0] == "check") {
      TDemoCheck check;
      const int64_t last = Out.Checks.empty() ? 0 : Out.Checks.back().Step;
      const std::string wrong = ParseCheck(words, total, last, check);
      if (!wrong.empty()) return fail(wrong);
      check.Line = number;
      Out.Checks.push_back(check);
      continue;
    }
    if (Out.Version >= 2 && !words.empty() && words[0] == "score") {
      TDemoScore score;
      const int64_t last = Out.Scores.empty() ? 0 : Out.Scores.back().Step;
      const std::string wrong = ParseScore(words, total, last, score);
      if (!wrong.empty()) return fail(wrong);
      score.Line = number;
      Out.Scores.push_back(score);
      continue;
    }
    if (words.size() != 4 && words.size() != 5)
      return fail("expected \"X Y L R [N]\", found " + std::to_string(words.size()) + " fields");
    int64_t values[5] = {0, 0, 0, 0, 1};
    static const char* const names[5] = {"X", "Y", "L", "R", "N"};
    for (size_t i = 0; i < words.size(); ++i)
      if (!ParseInteger(words[i], values[i]))
        return fail(std::string(names[i]) + " is not an integer: \"" + words[i] + "\"");
    for (int i = 0; i < 2; ++i)
      if (values[i] < DemoMinCoordinate || values[i] > DemoMaxCoordinate)
        return fail(std::string(names[i]) + " " + std::to_string(values[i]) + " is out of range " +
                    std::to_string(DemoMinCoordinate) + ".." + std::to_string(DemoMaxCoordinate));
    for (int i = 2; i < 4; ++i)
      if (values[i] != 0 && values[i] != 1)
        return fail(std::string(names[i]) + " must be 0 or 1, found " + std::to_string(values[i]));
    if (values[4] < 0) return fail("negative count " + std::to_string(values[4]));
    if (values[4] == 0) return fail("a count must be at least 1");
    if (values[4] > INT64_MAX / 2 - total) return fail("the demo is too long");
    total += values[4];
    TDemoLine line;
    line.State.X = int32_t(values[0]);
    line.State.Y = int32_t(values[1]);
    line.State.Left = values[2] == 1;
    line.State.Right = values[3] == 1;
    line.Count = values[4];
    Out.Lines.push_back(line);
  }
  if (In.bad()) return fail("read error");
  if (!sawHeader) {
    number = 1;
    return fail("empty file: the first line must be \"gloopa-demo 2\" (or 1)");
  }
  return true;
}

bool TDemo::Load(const std::string& Path, TDemo& Out, std::string& Error) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) {
    Error = "cannot read the demo " + Path + ": " + std::strerror(errno);
    return false;
  }
  return Parse(in, Path, Out, Error);
}

size_t TDemo::FormatLine(const TDemoLine& Line, char* Out) {
  char* at = Out;
  char* const end = Out + LineTextMax;
  at = std::to_chars(at, end, Line.State.X).ptr;
  *at++ = ' ';
  at = std::to_chars(at, end, Line.State.Y).ptr;
  *at++ = ' ';
  *at++ = Line.State.Left ? '1' : '0';
  *at++ = ' ';
  *at++ = Line.State.Right ? '1' : '0';
  if (Line.Count != 1) {
    *at++ = ' ';
    at = std::to_chars(at, end, Line.Count).ptr;
  }
  *at++ = '\n';
  return size_t(at - Out);
}

std::string TDemo::LineText(const TDemoLine& Line) {
  char text[LineTextMax];
  return std::string(text, FormatLine(Line, text));
}

std::string TDemo::Header(int32_t Version, const std::string& Note) {
  if (Version < 2) return "gloopa-demo 1\n";
  return "gloopa-demo 2\n# recorded by gloopa " GLOOPA_VERSION "\n" +
         (Note.empty() ? "" : "# " + Note + "\n");
}

std::string TDemo::CheckText(const TDemoCheck& Check) {
  char text[160];
  std::snprintf(text, sizeof text, "check %lld %016llx %lu %lld %lld %lld\n",
                static_cast<long long>(Check.Step), static_cast<unsigned long long>(Check.Hash),
                static_cast<unsigned long>(Check.Seed), static_cast<long long>(Check.Score),
                static_cast<long long>(Check.Energy), static_cast<long long>(Check.Particles));
  return text;
}

std::string TDemo::ScoreText(const TDemoScore& Score) {
  return "score " + std::to_string(Score.Step) + " " + std::to_string(Score.Score) + "\n";
}

std::string TDemo::Text() const {
  std::string text = Header(Version);
  size_t check = 0, score = 0;
  int64_t steps = 0;
  auto checksAt = [&](int64_t Step) {
    for (; check < Checks.size() && Checks[check].Step == Step; ++check)
      if (Version >= 2) text += CheckText(Checks[check]);
    for (; score < Scores.size() && Scores[score].Step == Step; ++score)
      if (Version >= 2) text += ScoreText(Scores[score]);
  };
  for (const TDemoLine& line : Lines) {
    text += LineText(line);
    steps += line.Count;
    checksAt(steps);
  }
  return text;
}

bool TDemo::Save(const std::string& Path, std::string& Error) const {
  std::string reason;
  if (!WriteWholeFile(Path, Text(), reason)) {
    Error = "cannot write the demo " + Path + ": " + reason;
    return false;
  }
  return true;
}

bool TDemoPlayer::Next(TDemoFrame& Frame) {
  while (Line < Demo->Lines.size() && UsedOfLine >= Demo->Lines[Line].Count) {
    ++Line;
    UsedOfLine = 0;
  }
  if (Line >= Demo->Lines.size()) return false;
  Frame = Demo->Lines[Line].State;
  ++UsedOfLine;
  ++Played;
  return true;
}

int32_t DemoMessages(const TDemoFrame* Previous, const TDemoFrame& Next, TDemoMessage Out[3]) {
  int32_t count = 0;
  const TLParam at = MakeMouseLParam(Next.X, Next.Y);
  // Button messages carry the key state in WParam as a real mouse's do; the world reads neither.
  TWParam keys = (Next.Left ? MK_LBUTTON : 0) | (Next.Right ? MK_RBUTTON : 0);
  if (!Previous || Previous->X != Next.X || Previous->Y != Next.Y)
    Out[count++] = TDemoMessage{WM_MOUSEMOVE, keys, at};
  const bool wasLeft = Previous && Previous->Left;
  const bool wasRight = Previous && Previous->Right;
  if (wasLeft != Next.Left)
    Out[count++] = TDemoMessage{Next.Left ? WM_LBUTTONDOWN : WM_LBUTTONUP, keys, at};
  if (wasRight != Next.Right)
    Out[count++] = TDemoMessage{Next.Right ? WM_RBUTTONDOWN : WM_RBUTTONUP, keys, at};
  return count;
}

void TDemoRecorder::Observe(uint32_t Message, TLParam LParam) {
  switch (Message) {
  case WM_MOUSEMOVE:
    State.X = MouseLParamX(LParam);
    State.Y = MouseLParamY(LParam);
    break;
  case WM_LBUTTONDOWN:
    State.Left = true;
    break;
  case WM_LBUTTONUP:
    State.Left = false;
    break;
  case WM_RBUTTONDOWN:
    State.Right = true;
    break;
  case WM_RBUTTONUP:
    State.Right = false;
    break;
  default:
    break;
  }
}

TDemoRecorder::~TDemoRecorder() {
  if (JournalFd < 0) return;
  Flush();
  CloseFile(JournalFd);
}

void TDemoRecorder::EndFrame() {
  std::vector<TDemoLine>& lines = Recorded.Demo.Lines;
  ++Recorded.Frames;
  if (Recorded.LineOpen && lines.back().State == State) {
    ++lines.back().Count;
    return;
  }
  if (JournalFd >= 0 && !lines.empty()) {
    // The line before is complete: it goes to the journal and need not be kept.
    char text[TDemo::LineTextMax];
    Write(std::string_view(text, TDemo::FormatLine(lines.back(), text)));
    lines.clear();
  }
  lines.push_back(TDemoLine{State, 1});
  Recorded.LineOpen = true;
}

bool TDemoRecorder::EndLineAt(int64_t Step) {
  if (Step != Recorded.Frames || Recorded.Frames == 0) return false;
  Recorded.LineOpen = false;
  TDemo& demo = Recorded.Demo;
  if (JournalFd >= 0) {
    if (!demo.Lines.empty()) Write(TDemo::LineText(demo.Lines.back()));
    demo.Lines.clear();
  }
  return true;
}

bool TDemoRecorder::Check(const TDemoCheck& Check) {
  TDemo& demo = Recorded.Demo;
  if ((!demo.Checks.empty() && demo.Checks.back().Step == Check.Step) || !EndLineAt(Check.Step))
    return false;
  if (JournalFd >= 0) {
    Write(TDemo::CheckText(Check));
    Flush();
    // Only the step is needed, to refuse a second check at it.
    demo.Checks.assign(1, Check);
    return true;
  }
  demo.Checks.push_back(Check);
  return true;
}

bool TDemoRecorder::Score(const TDemoScore& Score) {
  TDemo& demo = Recorded.Demo;
  if ((!demo.Scores.empty() && demo.Scores.back().Step == Score.Step) || !EndLineAt(Score.Step))
    return false;
  if (JournalFd >= 0) {
    Write(TDemo::ScoreText(Score));
    Flush();
    // The claim is made durable before the hall of fame names it.
    if (JournalErrno == 0 && !SyncFile(JournalFd)) JournalErrno = errno;
    demo.Scores.assign(1, Score);
    return true;
  }
  demo.Scores.push_back(Score);
  return true;
}

void TDemoRecorder::Write(std::string_view Text) {
  if (PendingSize + Text.size() > sizeof Pending) Flush();
  if (Text.size() > sizeof Pending) {
    if (JournalErrno == 0 && !WriteAll(JournalFd, Text)) JournalErrno = errno;
    return;
  }
  std::memcpy(Pending + PendingSize, Text.data(), Text.size());
  PendingSize += Text.size();
}

void TDemoRecorder::Flush() {
  // Whole lines only, so a killed run leaves only whole lines behind.
  if (PendingSize > 0 && JournalErrno == 0 &&
      !WriteAll(JournalFd, std::string_view(Pending, PendingSize)))
    JournalErrno = errno;
  PendingSize = 0;
}

bool TDemoRecorder::Start(const std::string& ForPath, std::string& Error, const std::string& Note) {
  Path = ForPath;
  std::string reason;
  if (!CanReplaceFile(Path, reason)) {
    Error = "cannot write the demo " + Path + ": " + reason;
    return false;
  }
  const std::string target = RenameTarget(Path);
  if (target.empty()) return true; // written whole at the end
  Journal = target + ".part";
  JournalFd = OpenForWriting(Journal, false);
  if (JournalFd < 0 || !WriteAll(JournalFd, TDemo::Header(Recorded.Demo.Version, Note))) {
    Error = "cannot write the demo " + Path + ": " + std::strerror(errno);
    Abandon();
    return false;
  }
  return true;
}

bool TDemoRecorder::Finish(std::string& Error) {
  if (Path.empty()) return true;
  if (Journal.empty()) {
    if (!Recorded.Demo.Save(Path, Error)) return false;
    return true;
  }
  if (JournalFd < 0) {
    Error = "cannot write the demo " + Path + ": the recording was abandoned";
    return false;
  }
  for (const TDemoLine& line : Recorded.Demo.Lines) Write(TDemo::LineText(line));
  Flush();
  Recorded.Demo.Lines.clear();
  Recorded.LineOpen = false;
  if (JournalErrno == 0 && !SyncFile(JournalFd)) JournalErrno = errno;
  if (!CloseFile(JournalFd) && JournalErrno == 0) JournalErrno = errno;
  JournalFd = -1;
  const std::string target = RenameTarget(Path);
  if (JournalErrno == 0 && !ReplaceFile(Journal, target.empty() ? Path : target))
    JournalErrno = errno;
  if (JournalErrno != 0) {
    // A journal that could not be written in full is no demo; what was at Path stays.
    Error = "cannot write the demo " + Path + ": " + std::strerror(JournalErrno);
    RemoveFile(Journal);
    return false;
  }
  return true;
}

void TDemoRecorder::Abandon() {
  if (JournalFd >= 0) CloseFile(JournalFd);
  JournalFd = -1;
  if (!Journal.empty()) RemoveFile(Journal);
}

double TFrameTimes::TotalMilliseconds() const {
  double total = 0;
  for (double ms : Milliseconds) total += ms;
  return total;
}

double TFrameTimes::Percentile(double P) const {
  if (Milliseconds.empty()) return 0;
  std::vector<double> sorted = Milliseconds;
  std::sort(sorted.begin(), sorted.end());
  const double rank = std::ceil(P / 100.0 * double(sorted.size()));
  const size_t index = rank < 1 ? 0 : std::min(sorted.size(), size_t(rank)) - 1;
  return sorted[index];
}

std::string TFrameTimes::Summary(double TotalSeconds) const {
  const size_t frames = Milliseconds.size();
  const double fps = TotalSeconds > 0 ? double(frames) / TotalSeconds : 0;
  char line[256];
  std::snprintf(line, sizeof line,
                "timedemo: %zu frames, %.3f s, %.1f fps, frame ms p50 %.3f p99 %.3f max %.3f",
                frames, TotalSeconds, fps, Percentile(50), Percentile(99), Percentile(100));
  return line;
}
