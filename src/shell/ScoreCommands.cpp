#include "shell/ScoreCommands.h"

#include <iostream>
#include <map>

#include "assets/GameRandom.h"
#include "shell/DemoSession.h"
#include "shell/GLWindow.h"
#include "shell/HallOfFame.h"

namespace {

// A game's end and the game over after it, then a moment of the title.
constexpr int64_t StepsAfterTheEnd = 300;

// Reads the table without touching the file (the game itself moves a broken one aside).
bool ReadTable(const std::string& Folder, THallOfFame& Hall) {
  if (Folder.empty()) {
    std::cerr << "there is no hall of fame here: no folder for it can be told\n";
    return false;
  }
  std::string error;
  if (Hall.Read(THallOfFame::TablePath(Folder), error)) return true;
  std::cerr << error << "\n";
  return false;
}

// What replaying one run proved: the games that ended in it, or why it proves nothing.
struct TReplayVerdict {
  std::string Wrong; // the replay is missing, unreadable, or desynced
  std::vector<TEndedGame> Ended;
};

TReplayVerdict VerifyReplay(const std::string& Folder, const std::string& Name) {
  TReplayVerdict verdict;
  const std::string path = ReplayOnDisk(Folder, Name);
  if (path.empty()) {
    verdict.Wrong = "its replay " + Name + " is missing";
    return verdict;
  }
  TRunOptions options;
  options.Headless = true;
  options.Windowed = true;
  TSessionFiles files;
  files.Verify = path;
  files.Quiet = true;
  TDemoSession session;
  if (session.Open(files, options) != 0) {
    verdict.Wrong = "its replay " + Name + " cannot be verified";
    return verdict;
  }
  // Every run of the program starts from seed 0; each replayed here must too.
  RandSeed = 0;
  const int status = session.Close(RunGame(nullptr, options));
  verdict.Ended = session.EndedGames();
  verdict.Wrong = session.Mismatch();
  if (verdict.Wrong.empty() && status != 0) verdict.Wrong = "its replay could not be played";
  return verdict;
}

// "" when the replay proves Entry; otherwise what differs.
std::string EntryVerdict(const THallEntry& Entry, const TReplayVerdict& Replay) {
  if (!Replay.Wrong.empty()) return Replay.Wrong;
  for (const TEndedGame& game : Replay.Ended) {
    if (game.Step != Entry.EndStep) continue;
    if (game.Score != Entry.Score)
      return "the game ended with score " + std::to_string(game.Score) + ", not " +
             std::to_string(Entry.Score);
    if (game.Step - game.Start != Entry.Steps)
      return "the game lasted " + std::to_string(game.Step - game.Start) + " steps, not " +
             std::to_string(Entry.Steps);
    return "";
  }
  return "no game ended in step " + std::to_string(Entry.EndStep) + " of its replay";
}

} // namespace

int PrintScores(const std::string& Folder, bool Verify) {
  THallOfFame hall;
  if (!ReadTable(Folder, hall)) return 1;
  const std::string path = THallOfFame::TablePath(Folder);
  if (hall.Entries.empty()) {
    std::cout << "the hall of fame is empty (" << path << ")" << std::endl;
    return 0;
  }
  std::cout << "hall of fame (" << path << "):\n"
            << "rank   score  ended (UTC)        length  replay" << std::endl;
  std::map<std::string, TReplayVerdict> replays; // each run replayed once
  int status = 0;
  for (size_t i = 0; i < hall.Entries.size(); ++i) {
    const THallEntry& entry = hall.Entries[i];
    std::cout << HallLine(entry, i + 1) << "  " << entry.Replay << " step " << entry.EndStep
              << (entry.Rules == "standard" ? "" : " (rules " + entry.Rules + ")");
    if (Verify) {
      std::cout << std::flush;
      auto found = replays.find(entry.Replay);
      if (found == replays.end())
        found = replays.emplace(entry.Replay, VerifyReplay(Folder, entry.Replay)).first;
      const std::string wrong = EntryVerdict(entry, found->second);
      std::cout << (wrong.empty() ? "  verified" : "  differs: " + wrong);
      if (!wrong.empty()) status = 1;
    }
    std::cout << std::endl;
  }
  return status;
}

int ChooseScoreReplay(const std::string& Folder, int64_t Rank, TSessionFiles& Files,
                      TRunOptions& Options) {
  THallOfFame hall;
  if (!ReadTable(Folder, hall)) return 1;
  if (Rank < 1 || size_t(Rank) > hall.Entries.size()) {
    std::cerr << "--play-score: there is no entry " << Rank << " in the hall of fame (it holds "
              << hall.Entries.size() << ")\n";
    return 2;
  }
  const THallEntry& entry = hall.Entries[size_t(Rank - 1)];
  const std::string path = ReplayOnDisk(Folder, entry.Replay);
  if (path.empty()) {
    std::cerr << "--play-score: the replay of entry " << Rank << ", " << entry.Replay
              << ", is missing\n";
    return 1;
  }
  Files.Play = path;
  Options.FastUntil = entry.StartStep() - 1;
  Options.Frames = entry.EndStep + StepsAfterTheEnd;
  return 0;
}
