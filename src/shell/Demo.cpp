#include "shell/Demo.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/WholeFile.h"

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
  Out.Lines.clear();
  std::string text;
  int64_t number = 0;
  bool sawHeader = false;
  int64_t total = 0;
  auto fail = [&](const std::string& What) {
    Error = Name + ":" + std::to_string(number) + ": " + What;
    Out.Lines.clear();
    return false;
  };
  while (std::getline(In, text)) {
    ++number;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (!sawHeader) {
      const std::vector<std::string> words = Words(text);
      if (words.size() != 2 || words[0] != "gloopa-demo")
        return fail("not a demo: the first line must be \"gloopa-demo 1\"");
      if (words[1] != "1") return fail("demo version " + words[1] + " is not supported (only 1)");
      sawHeader = true;
      continue;
    }
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#') continue;
    const std::vector<std::string> words = Words(text);
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
    return fail("empty file: the first line must be \"gloopa-demo 1\"");
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

std::string TDemo::LineText(const TDemoLine& Line) {
  std::string text = std::to_string(Line.State.X) + " " + std::to_string(Line.State.Y) + " " +
                     (Line.State.Left ? "1" : "0") + " " + (Line.State.Right ? "1" : "0");
  if (Line.Count != 1) text += " " + std::to_string(Line.Count);
  return text + "\n";
}

std::string TDemo::Text() const {
  std::string text = Header();
  for (const TDemoLine& line : Lines) text += LineText(line);
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
    State.X = int16_t(uint16_t(uint32_t(LParam) & 0xFFFF));
    State.Y = int16_t(uint16_t((uint32_t(LParam) >> 16) & 0xFFFF));
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
  if (JournalFd >= 0) CloseFile(JournalFd);
}

void TDemoRecorder::EndFrame() {
  std::vector<TDemoLine>& lines = Recorded.Lines;
  if (!lines.empty() && lines.back().State == State) {
    ++lines.back().Count;
    return;
  }
  if (JournalFd >= 0 && !lines.empty()) {
    // The line before is complete: it goes to the journal and need not be kept.
    WriteLine(lines.back());
    lines.clear();
  }
  lines.push_back(TDemoLine{State, 1});
}

void TDemoRecorder::WriteLine(const TDemoLine& Line) {
  // One write per line, so a killed run leaves only whole lines behind.
  if (JournalErrno == 0 && !WriteAll(JournalFd, TDemo::LineText(Line))) JournalErrno = errno;
}

bool TDemoRecorder::Start(const std::string& ForPath, std::string& Error) {
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
  if (JournalFd < 0 || !WriteAll(JournalFd, TDemo::Header())) {
    Error = "cannot write the demo " + Path + ": " + std::strerror(errno);
    Abandon();
    return false;
  }
  return true;
}

bool TDemoRecorder::Finish(std::string& Error) {
  if (Path.empty()) return true;
  if (Journal.empty()) {
    if (!Recorded.Save(Path, Error)) return false;
    return true;
  }
  if (JournalFd < 0) {
    Error = "cannot write the demo " + Path + ": the recording was abandoned";
    return false;
  }
  for (const TDemoLine& line : Recorded.Lines) WriteLine(line);
  Recorded.Lines.clear();
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
