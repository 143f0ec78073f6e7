// Live runs kept for the hall of fame, through the whole shell: the run's replay claims each
// game's score, the table names it, and --scores --verify proves or refuses what is on disk, a
// run killed mid-game included.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "assets/GameRandom.h"
#include "shell/DemoSession.h"
#include "shell/ScoreCommands.h"
#include "shell/ShellTestSupport.h"
#include "support/TestFiles.h"
#include "world/gloopaMain.h"

namespace {

namespace fs = std::filesystem;

std::string Folder(const std::string& Name) {
  const std::string folder = ::testing::TempDir() + "gloopa_hallrun_" + Name;
  fs::remove_all(folder);
  return folder;
}

// The one file in Folder whose name ends with Ending.
std::string FileEnding(const std::string& Folder, const std::string& Ending) {
  std::string found;
  for (const auto& item : fs::directory_iterator(Folder)) {
    const std::string name = item.path().filename().string();
    if (name.size() > Ending.size() &&
        name.compare(name.size() - Ending.size(), Ending.size(), Ending) == 0) {
      EXPECT_TRUE(found.empty()) << "two files end with " << Ending;
      found = item.path().string();
    }
  }
  return found;
}

// --scores --verify on Folder: its status and what it printed.
int VerifyScores(const std::string& Folder, std::string& Out) {
  ::testing::internal::CaptureStdout();
  const int status = PrintScores(Folder, true);
  Out = ::testing::internal::GetCapturedStdout();
  return status;
}

void Replace(const std::string& Path, const std::string& From, const std::string& To) {
  std::string text = ReadFile(Path);
  const size_t at = text.find(From);
  ASSERT_NE(at, std::string::npos) << From;
  WriteFile(Path, text.replace(at, From.size(), To));
}

// A live run kept in Folder, its mouse the lose demo's twice over (two games, the first ending in
// step 511 with 400 points), ended in the second game's step Steps. At step CopyAt, what is on
// disk is copied to CopyTo: what a run killed then would leave.
void PlayLive(const std::string& Folder, int64_t Steps, int64_t CopyAt, const std::string& CopyTo) {
  TDemo lose, twice;
  std::string error;
  ASSERT_TRUE(TDemo::Load(std::string(GLOOPA_DEMO_DIR) + "/lose.demo", lose, error)) << error;
  twice.Lines = lose.Lines;
  twice.Lines.insert(twice.Lines.end(), lose.Lines.begin(), lose.Lines.end());
  RandSeed = 0;
  TRunOptions options = HeadlessWindowed(Steps);
  options.Unpaced = true;
  options.ChooseDraw = [](int64_t, bool) { return false; };
  TSessionFiles files;
  files.Hall = Folder;
  files.RecordHall = true;
  TDemoSession session;
  ASSERT_EQ(session.Open(files, options), 0);
  TDemoPlayer player(twice);
  TDemoFeed feed;
  const auto sessionBefore = options.BeforeFrame;
  options.BeforeFrame = [&](int64_t Step, TGloopa& World) {
    TDemoFrame next;
    if (!player.Next(next)) return false;
    feed.Send(next);
    return sessionBefore(Step, World);
  };
  const auto sessionAfter = options.AfterStep;
  options.AfterStep = [&](int64_t Step, TGloopa& World) {
    const bool going = sessionAfter(Step, World);
    if (Step == CopyAt) {
      EXPECT_EQ(World.State, gsPlaying) << "copied mid-game";
      fs::copy(Folder, CopyTo);
    }
    return going;
  };
  EXPECT_EQ(session.Close(RunGame(nullptr, options)), 0);
  ASSERT_EQ(session.EndedGames().size(), 1u);
  EXPECT_EQ(session.EndedGames()[0].Step, 511);
  EXPECT_EQ(session.EndedGames()[0].Score, 400);
}

} // namespace

TEST(HallOfFameRun, ALiveRunsReplayAndEntryVerifyAndEditsOrALossAreCaught) {
  const std::string folder = Folder("live"), killed = Folder("killed");
  PlayLive(folder, 6000 + 400, 6000 + 300, killed);

  // The finished run: its replay claims the game, and the table names it.
  const std::string replay = FileEnding(folder, ".demo");
  ASSERT_FALSE(replay.empty());
  const std::string text = ReadFile(replay);
  EXPECT_NE(text.find("\n# rules standard\n"), std::string::npos);
  EXPECT_NE(text.find("\nscore 511 400\n"), std::string::npos);
  THallOfFame hall;
  std::string error, aside;
  ASSERT_TRUE(hall.Load(THallOfFame::TablePath(folder), error, aside)) << error;
  ASSERT_EQ(hall.Entries.size(), 1u);
  const THallEntry& entry = hall.Entries[0];
  EXPECT_EQ(entry.Score, 400);
  EXPECT_EQ(entry.EndStep, 511);
  EXPECT_EQ(entry.Replay, fs::path(replay).filename().string());
  EXPECT_GT(entry.Steps, 100);
  EXPECT_LT(entry.Steps, 511);

  std::string out;
  EXPECT_EQ(VerifyScores(folder, out), 0) << out;
  EXPECT_NE(out.find(" 400  "), std::string::npos) << out;
  EXPECT_NE(out.find("  verified\n"), std::string::npos) << out;

  // Killed in its second game: the journal and the first game's entry, which verify.
  const std::string journal = FileEnding(killed, ".demo.part");
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(ReadFile(journal).back(), '\n');
  EXPECT_EQ(VerifyScores(killed, out), 0) << out;
  EXPECT_NE(out.find("  verified\n"), std::string::npos) << out;
  // A table edited by hand.
  Replace(THallOfFame::TablePath(killed), "1 400 ", "1 450 ");
  EXPECT_EQ(VerifyScores(killed, out), 1);
  EXPECT_NE(out.find("differs: the game ended with score 400, not 450"), std::string::npos) << out;

  // A replay edited by hand, then lost.
  Replace(replay, "\nscore 511 400\n", "\nscore 511 450\n");
  EXPECT_EQ(VerifyScores(folder, out), 1);
  EXPECT_NE(out.find("differs: desync at step 511"), std::string::npos) << out;
  fs::remove(replay);
  EXPECT_EQ(VerifyScores(folder, out), 1);
  EXPECT_NE(out.find("is missing"), std::string::npos) << out;
}
