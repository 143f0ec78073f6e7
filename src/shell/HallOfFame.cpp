#include "shell/HallOfFame.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Platform.h"
#include "platform/WholeFile.h"

namespace {

const char* const TableHeader =
    "# gloopa hall of fame: RANK SCORE DATE STEPS VERSION REPLAY END_STEP RULES\n";

bool ParseNumber(const std::string& Word, int64_t& Value) {
  const char* end = Word.data() + Word.size();
  const auto [at, error] = std::from_chars(Word.data(), end, Value);
  return error == std::errc() && at == end && !Word.empty();
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
int64_t DaysFromCivil(int64_t Year, int64_t Month, int64_t Day) {
  Year -= Month <= 2;
  const int64_t era = (Year >= 0 ? Year : Year - 399) / 400;
  const int64_t yearOfEra = Year - era * 400;
  const int64_t dayOfYear = (153 * (Month + (Month > 2 ? -3 : 9)) + 2) / 5 + Day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t Days, int64_t& Year, int64_t& Month, int64_t& Day) {
  Days += 719468;
  const int64_t era = (Days >= 0 ? Days : Days - 146096) / 146097;
  const int64_t dayOfEra = Days - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  Day = dayOfYear - (153 * mp + 2) / 5 + 1;
  Month = mp < 10 ? mp + 3 : mp - 9;
  Year = yearOfEra + era * 400 + (Month <= 2);
}

// A name the game gave a replay: a plain file name, no folder and nothing hidden.
bool PlainFileName(const std::string& Name) {
  return !Name.empty() && Name[0] != '.' && Name.find_first_of("/\\:") == std::string::npos;
}

// What is wrong with the words of an entry on line Rank of the table, or "".
std::string ParseEntry(const std::vector<std::string>& Words, int64_t Rank, THallEntry& Entry) {
  if (Words.size() != 8)
    return "expected \"RANK SCORE DATE STEPS VERSION REPLAY END_STEP RULES\", found " +
           std::to_string(Words.size()) + " fields";
  int64_t rank = 0;
  if (!ParseNumber(Words[0], rank) || rank != Rank)
    return "expected rank " + std::to_string(Rank) + ", found \"" + Words[0] + "\"";
  if (!ParseNumber(Words[1], Entry.Score) || Entry.Score <= 0)
    return "SCORE must be a whole number above 0, found \"" + Words[1] + "\"";
  if (!ParseIsoTime(Words[2], Entry.Time))
    return "DATE must be a UTC time such as 2026-12-11T17:30:05Z, found \"" + Words[2] + "\"";
  if (!ParseNumber(Words[3], Entry.Steps) || Entry.Steps < 1)
    return "STEPS must be a whole number above 0, found \"" + Words[3] + "\"";
  Entry.Version = Words[4];
  if (!PlainFileName(Words[5])) return "REPLAY must be a file name, found \"" + Words[5] + "\"";
  Entry.Replay = Words[5];
  if (!ParseNumber(Words[6], Entry.EndStep) || Entry.EndStep <= Entry.Steps)
    return "END_STEP must be a step after the game's STEPS, found \"" + Words[6] + "\"";
  Entry.Rules = Words[7];
  return "";
}

bool Exists(const std::string& Path) {
  std::error_code error;
  return std::filesystem::symlink_status(Path, error).type() !=
         std::filesystem::file_type::not_found;
}

} // namespace

std::string IsoTime(int64_t Seconds) {
  const int64_t days = (Seconds >= 0 ? Seconds : Seconds - 86399) / 86400;
  const int64_t rest = Seconds - days * 86400;
  int64_t year = 0, month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  char text[48];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ",
                static_cast<long long>(year), static_cast<long long>(month),
                static_cast<long long>(day), static_cast<long long>(rest / 3600),
                static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
  return text;
}

bool ParseIsoTime(const std::string& Text, int64_t& Seconds) {
  // Exactly YYYY-MM-DDTHH:MM:SSZ.
  static const char Shape[] = "dddd-dd-ddTdd:dd:ddZ";
  if (Text.size() != sizeof Shape - 1) return false;
  for (size_t i = 0; i < Text.size(); ++i)
    if (Shape[i] == 'd' ? (Text[i] < '0' || Text[i] > '9') : Text[i] != Shape[i]) return false;
  auto field = [&Text](size_t At, size_t Length) {
    return int64_t(std::strtol(Text.substr(At, Length).c_str(), nullptr, 10));
  };
  const int64_t year = field(0, 4), month = field(5, 2), day = field(8, 2);
  const int64_t hour = field(11, 2), minute = field(14, 2), second = field(17, 2);
  if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) return false;
  // A day past the month's end comes back as another date.
  const int64_t days = DaysFromCivil(year, month, day);
  int64_t y = 0, m = 0, d = 0;
  CivilFromDays(days, y, m, d);
  if (y != year || m != month || d != day) return false;
  Seconds = days * 86400 + hour * 3600 + minute * 60 + second;
  return true;
}

std::string HallLine(const THallEntry& Entry, size_t Rank) {
  const std::string when = IsoTime(Entry.Time);
  const int64_t seconds = Entry.Steps / 100; // 100 steps a second
  char line[96];
  std::snprintf(line, sizeof line, "%2zu %7lld  %s %s %4lld:%02lld", Rank,
                static_cast<long long>(Entry.Score), when.substr(0, 10).c_str(),
                when.substr(11, 5).c_str(), static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return line;
}

int32_t THallOfFame::Enter(const THallEntry& Entry) {
  if (Entry.Score <= 0) return 0;
  size_t place = 0;
  while (place < Entries.size() && Entries[place].Score >= Entry.Score) ++place;
  if (place >= Places) return 0;
  Entries.insert(Entries.begin() + std::ptrdiff_t(place), Entry);
  if (Entries.size() > Places) Entries.resize(Places);
  return int32_t(place + 1);
}

bool THallOfFame::Holds(const std::string& Replay) const {
  for (const THallEntry& entry : Entries)
    if (entry.Replay == Replay) return true;
  return false;
}

bool THallOfFame::Parse(const std::string& Text, const std::string& Name, std::string& Error) {
  Entries.clear();
  std::istringstream in(Text);
  std::string line;
  int64_t number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty() || w[0][0] == '#') continue;
    THallEntry entry;
    std::string wrong = Entries.size() == Places
                            ? "more than " + std::to_string(Places) + " entries"
                            : ParseEntry(w, int64_t(Entries.size()) + 1, entry);
    if (wrong.empty() && !Entries.empty() && entry.Score > Entries.back().Score)
      wrong = "score " + w[1] + " ranks below a lower one";
    if (!wrong.empty()) {
      Error = Name + ":" + std::to_string(number) + ": " + wrong;
      Entries.clear();
      return false;
    }
    Entries.push_back(entry);
  }
  return true;
}

std::string THallOfFame::EntryText(int32_t Rank, const THallEntry& Entry) {
  return std::to_string(Rank) + " " + std::to_string(Entry.Score) + " " + IsoTime(Entry.Time) +
         " " + std::to_string(Entry.Steps) + " " + Entry.Version + " " + Entry.Replay + " " +
         std::to_string(Entry.EndStep) + " " + Entry.Rules + "\n";
}

std::string THallOfFame::Text() const {
  std::string text = TableHeader;
  for (size_t i = 0; i < Entries.size(); ++i) text += EntryText(int32_t(i + 1), Entries[i]);
  return text;
}

std::string THallOfFame::DefaultFolder() {
  return PlayerFilePath("XDG_DATA_HOME", ".local/share", "replays");
}

std::string THallOfFame::TablePath(const std::string& Folder) {
  return ReplayPath(Folder, "scores.txt");
}

bool THallOfFame::Read(const std::string& Path, std::string& Error) {
  Entries.clear();
  std::error_code status;
  const std::filesystem::file_type type = std::filesystem::status(Path, status).type();
  if (type == std::filesystem::file_type::not_found) return true;
  if (type != std::filesystem::file_type::regular) {
    Error = "the hall of fame " + Path + " is not a plain file";
    return false;
  }
  std::ifstream in(Path, std::ios::binary);
  std::stringstream text;
  if (in) text << in.rdbuf();
  if (!in || in.bad()) {
    Error = "cannot read the hall of fame " + Path + ": " + std::strerror(errno);
    return false;
  }
  std::string wrong;
  if (Parse(text.str(), Path, wrong)) return true;
  Error = "the hall of fame is broken: " + wrong;
  return false;
}

bool THallOfFame::Load(const std::string& Path, std::string& Error, std::string& Aside) {
  Aside.clear();
  std::string wrong;
  if (Read(Path, wrong)) return true;
  for (int i = 1; i < 1000 && Aside.empty(); ++i) {
    const std::string to = Path + ".broken" + (i == 1 ? "" : "-" + std::to_string(i));
    if (Exists(to)) continue;
    if (!ReplaceFile(Path, to)) break;
    Aside = to;
  }
  Error = wrong + (Aside.empty() ? "; it could not be moved aside, and is left as it is"
                                 : "; it is kept as " + Aside + " and a new table begins");
  return false;
}

bool THallOfFame::Save(const std::string& Path, std::string& Error) const {
  std::string reason;
  if (!MakeFolderFor(Path, reason) || !WriteWholeFile(Path, Text(), reason)) {
    Error = "cannot write the hall of fame " + Path + ": " + reason;
    return false;
  }
  return true;
}

std::string ReplayPath(const std::string& Folder, const std::string& Name) {
#ifdef _WIN32
  return Folder + "\\" + Name;
#else
  return Folder + "/" + Name;
#endif
}

namespace {

// The replay a recorded run's file belongs to ("run-....demo" for itself and its journal), or "".
std::string RunOfFile(const std::string& File) {
  static const std::string Journal = ".part";
  std::string name = File;
  if (name.size() > Journal.size() && name.compare(name.size() - 5, 5, Journal) == 0)
    name.resize(name.size() - 5);
  if (name.rfind("run-", 0) != 0 || name.size() < 10 ||
      name.compare(name.size() - 5, 5, ".demo") != 0)
    return "";
  return name;
}

} // namespace

std::string NewReplayName(const std::string& Folder, int64_t Seconds) {
  std::string stamp = IsoTime(Seconds); // 2026-12-11T17:30:05Z
  std::string compact;
  for (const char c : stamp)
    if (c >= '0' && c <= '9') compact += c;
  compact.insert(8, "-");
  for (int i = 1;; ++i) {
    const std::string name = "run-" + compact + (i == 1 ? "" : "_" + std::to_string(i)) + ".demo";
    const std::string path = ReplayPath(Folder, name);
    if (!Exists(path) && !Exists(path + ".part")) return name;
  }
}

std::string ReplayOnDisk(const std::string& Folder, const std::string& Name) {
  const std::string path = ReplayPath(Folder, Name);
  if (Exists(path)) return path;
  if (Exists(path + ".part")) return path + ".part";
  return "";
}

void PruneReplays(const std::string& Folder, const THallOfFame& Hall, size_t Keep) {
  std::error_code error;
  std::vector<std::pair<std::string, std::string>> files; // (run, file)
  for (const auto& item : std::filesystem::directory_iterator(Folder, error)) {
    const std::string file = item.path().filename().string();
    const std::string run = RunOfFile(file);
    if (!run.empty()) files.emplace_back(run, file);
  }
  std::vector<std::string> runs;
  for (const auto& f : files) runs.push_back(f.first);
  std::sort(runs.begin(), runs.end());
  runs.erase(std::unique(runs.begin(), runs.end()), runs.end());
  // The names hold the time the run started, so the newest sort last.
  const size_t newest = runs.size() > Keep ? runs.size() - Keep : 0;
  for (const auto& [run, file] : files) {
    const size_t at = size_t(std::lower_bound(runs.begin(), runs.end(), run) - runs.begin());
    if (at >= newest || Hall.Holds(run)) continue;
    RemoveFile(ReplayPath(Folder, file));
  }
}
