#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The hall of fame: the ten best scores of every run the game recorded, each with the replay that
// made it, kept in scores.txt beside the replays. docs/DEMOS.md describes the file.
//
// One line a score: "RANK SCORE DATE STEPS VERSION REPLAY END_STEP RULES". DATE is when the game
// ended (UTC, ISO 8601: 2026-12-11T17:30:05Z), STEPS how long it lasted, VERSION the game's that
// played it, REPLAY the run's replay (a file name in the same folder), END_STEP the step of the
// replay in which the game turned to game over, RULES "standard" unless the run's settings changed
// how the world runs.

struct THallEntry {
  int64_t Score = 0;
  int64_t Time = 0;  // when the game ended: seconds since 1970-01-01T00:00:00Z
  int64_t Steps = 0; // from the step that started the game to the one that ended it
  std::string Version;
  std::string Replay;
  int64_t EndStep = 0;
  std::string Rules = "standard";

  // The step of the replay in which the game started (left the title).
  int64_t StartStep() const { return EndStep - Steps; }
  bool operator==(const THallEntry&) const = default;
};

class THallOfFame {
public:
  static constexpr size_t Places = 10;
  std::vector<THallEntry> Entries; // the best first; of equal scores, the older first

  // Enters a game that ranks: a score above 0 better than the tenth's. Returns its rank (from 1),
  // or 0 when it does not rank.
  int32_t Enter(const THallEntry& Entry);
  // Whether any entry's game was played in the run of Replay.
  bool Holds(const std::string& Replay) const;

  // Reads Text. A line that is not an entry, a rank out of its place, scores out of order or more
  // than ten entries fail with "NAME:LINE: what is wrong" in Error, leaving the table empty.
  bool Parse(const std::string& Text, const std::string& Name, std::string& Error);
  std::string Text() const;
  static std::string EntryText(int32_t Rank, const THallEntry& Entry);

  // The folder of the replays and the table: $XDG_DATA_HOME/gloopa/replays
  // (~/.local/share/gloopa/replays when that is unset), %APPDATA%\Gloopa\replays on Windows.
  // Empty when neither can be told. In a browser, HOME is the page's, kept in its storage.
  static std::string DefaultFolder();
  static std::string TablePath(const std::string& Folder);

  // Reads the table at Path, leaving the file as it is; a missing file is an empty table. On
  // failure returns false with what is wrong, and where, in Error.
  bool Read(const std::string& Path, std::string& Error);
  // Reads the table at Path as Read does. A file that cannot be read or is
  // not a table is moved aside to Path.broken (or .broken-2, ... when that is taken, so nothing
  // is lost) and the table starts empty: false, with what was wrong and where the file went in
  // Error. Aside is set to where it went (empty when it could not be moved: then the table must
  // not be written over it).
  bool Load(const std::string& Path, std::string& Error, std::string& Aside);
  // Writes the table whole to Path (a temporary name, then a rename), making its folder.
  bool Save(const std::string& Path, std::string& Error) const;
};

// The entry of rank Rank as a player reads it: rank, score, the day and minute (UTC) the game
// ended, and its length in minutes and seconds.
std::string HallLine(const THallEntry& Entry, size_t Rank);

// "2026-12-11T17:30:05Z" for seconds since 1970 (UTC), and back; false for any other text.
std::string IsoTime(int64_t Seconds);
bool ParseIsoTime(const std::string& Text, int64_t& Seconds);

// The replays of the recorded runs, in the table's folder: "run-YYYYMMDD-HHMMSS.demo" for a run
// started at Seconds (UTC), "_2", "_3", ... before ".demo" when that name, or its journal, is
// taken.
std::string NewReplayName(const std::string& Folder, int64_t Seconds);
// Name in the table's folder.
std::string ReplayPath(const std::string& Folder, const std::string& Name);
// The replay of Name as it is on disk: the demo, or its journal when a killed run left only that;
// empty when neither is there.
std::string ReplayOnDisk(const std::string& Folder, const std::string& Name);
// Removes the replays (and journals) of recorded runs but the newest Keep runs' and those whose
// games the hall holds. Other files in the folder are never touched.
void PruneReplays(const std::string& Folder, const THallOfFame& Hall, size_t Keep);
