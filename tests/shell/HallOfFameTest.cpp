// The hall of fame's table: which games rank and where, the file read back as written, a broken
// file kept aside with nothing lost, and the replays kept beside it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "shell/HallOfFame.h"
#include "support/TestFiles.h"

namespace {

namespace fs = std::filesystem;

THallEntry Entry(int64_t Score, int64_t Time = 1797009200, const std::string& Replay = "a.demo") {
  THallEntry entry;
  entry.Score = Score;
  entry.Time = Time;
  entry.Steps = 1200;
  entry.Version = "1.0.0";
  entry.Replay = Replay;
  entry.EndStep = 5000;
  return entry;
}

// A table holding these scores, entered in turn, each a second after the one before.
THallOfFame TableOf(const std::vector<int64_t>& Scores) {
  THallOfFame hall;
  int64_t time = 1797009200;
  for (const int64_t score : Scores) hall.Enter(Entry(score, time++));
  return hall;
}

std::string Folder(const std::string& Name) {
  const std::string folder = ::testing::TempDir() + "gloopa_hall_" + Name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

} // namespace

TEST(HallOfFame, RanksTheBestTenKeepingTheOlderOfEqualScoresFirst) {
  const struct Case {
    std::vector<int64_t> Before;
    int64_t Score;
    int32_t Rank; // 0: not entered
    std::vector<int64_t> After;
  } cases[] = {
      {{}, 100, 1, {100}},
      {{}, 0, 0, {}},
      {{50}, -5, 0, {50}},
      {{300, 200, 100}, 200, 3, {300, 200, 200, 100}},
      {{300, 200, 100}, 250, 2, {300, 250, 200, 100}},
      {{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, 1, 0, {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}},
      {{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, 2, 10, {10, 9, 8, 7, 6, 5, 4, 3, 2, 2}},
      {{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, 11, 1, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2}},
  };
  for (const Case& c : cases) {
    THallOfFame hall = TableOf(c.Before);
    THallEntry entry = Entry(c.Score, 1897009200);
    EXPECT_EQ(hall.Enter(entry), c.Rank) << c.Score;
    std::vector<int64_t> after;
    for (const THallEntry& e : hall.Entries) after.push_back(e.Score);
    EXPECT_EQ(after, c.After) << c.Score;
    if (c.Rank > 0) {
      EXPECT_EQ(hall.Entries[size_t(c.Rank - 1)], entry) << "the newer is below";
    }
  }
}

TEST(HallOfFame, TheFileReadsBackAsWrittenAndRefusesWhatIsNoTable) {
  THallOfFame hall = TableOf({2510, 900});
  hall.Entries[1].Replay = "run-20261211-172000_2.demo";
  hall.Entries[1].Rules = "fast";
  const std::string text = hall.Text();
  EXPECT_EQ(text.substr(text.find('\n') + 1),
            "1 2510 2026-12-11T17:13:20Z 1200 1.0.0 a.demo 5000 standard\n"
            "2 900 2026-12-11T17:13:21Z 1200 1.0.0 run-20261211-172000_2.demo 5000 fast\n");
  THallOfFame back;
  std::string error;
  ASSERT_TRUE(back.Parse(text, "scores.txt", error)) << error;
  EXPECT_EQ(back.Entries, hall.Entries);

  const std::string good = "1 2510 2026-12-11T17:13:20Z 1200 1.0.0 a.demo 5000 standard\n";
  const struct {
    std::string Text, What;
  } bad[] = {
      {"1 2510 2026-12-11T17:13:20Z 1200 1.0.0 a.demo 5000\n", "found 7 fields"},
      {"2 2510 2026-12-11T17:13:20Z 1200 1.0.0 a.demo 5000 standard\n", "expected rank 1"},
      {"1 0 2026-12-11T17:13:20Z 1200 1.0.0 a.demo 5000 standard\n", "SCORE"},
      {"1 2510 2026-02-30T17:13:20Z 1200 1.0.0 a.demo 5000 standard\n", "DATE"},
      {"1 2510 2026-12-11 17:13:20 1200 1.0.0 a.demo 5000 standard\n", "found 9 fields"},
      {"1 2510 2026-12-11T17:13:20Z 1200 1.0.0 ../a.demo 5000 standard\n", "REPLAY"},
      {"1 2510 2026-12-11T17:13:20Z 1200 1.0.0 a.demo 1200 standard\n", "END_STEP"},
      {good + "2 2511 2026-12-11T17:13:20Z 1200 1.0.0 a.demo 5000 standard\n", "ranks below"},
  };
  for (const auto& b : bad) {
    EXPECT_FALSE(back.Parse(b.Text, "scores.txt", error)) << b.Text;
    EXPECT_NE(error.find(b.What), std::string::npos) << error;
    EXPECT_TRUE(back.Entries.empty());
  }
  std::string eleven;
  for (int i = 1; i <= 11; ++i)
    eleven += std::to_string(i) + " 50 2026-12-11T17:13:20Z 1200 1.0.0 a.demo 5000 standard\n";
  EXPECT_FALSE(back.Parse(eleven, "scores.txt", error));
  EXPECT_NE(error.find("scores.txt:11: more than 10"), std::string::npos) << error;
}

TEST(HallOfFame, TimesAreUtcIso8601BothWays) {
  const struct {
    int64_t Seconds;
    const char* Text;
  } times[] = {{0, "1970-01-01T00:00:00Z"},
               {951782400, "2000-02-29T00:00:00Z"},
               {1797009200, "2026-12-11T17:13:20Z"},
               {-1, "1969-12-31T23:59:59Z"}};
  for (const auto& t : times) {
    EXPECT_EQ(IsoTime(t.Seconds), t.Text);
    int64_t back = 7;
    EXPECT_TRUE(ParseIsoTime(t.Text, back));
    EXPECT_EQ(back, t.Seconds);
  }
  int64_t seconds = 0;
  for (const char* wrong : {"2026-13-01T00:00:00Z", "2026-12-11T24:00:00Z", "2026-12-11T17:13:20",
                            "2026-12-11t17:13:20Z", "2025-02-29T00:00:00Z"})
    EXPECT_FALSE(ParseIsoTime(wrong, seconds)) << wrong;
}

TEST(HallOfFame, ABrokenTableIsKeptAsideAndANewOneBegins) {
  const std::string folder = Folder("broken");
  const std::string path = THallOfFame::TablePath(folder);
  THallOfFame hall;
  std::string error, aside;
  EXPECT_TRUE(hall.Load(path, error, aside)) << "no table yet is an empty one";
  EXPECT_TRUE(hall.Entries.empty());

  WriteFile(path, "1 2510 yesterday\n");
  EXPECT_FALSE(hall.Load(path, error, aside));
  EXPECT_EQ(aside, path + ".broken");
  EXPECT_NE(error.find("scores.txt:1:"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(aside), "1 2510 yesterday\n");
  EXPECT_FALSE(fs::exists(path));
  // A second broken table does not take the place of the first.
  WriteFile(path, "garbage\n");
  EXPECT_FALSE(hall.Load(path, error, aside));
  EXPECT_EQ(aside, path + ".broken-2");
  EXPECT_EQ(ReadFile(path + ".broken"), "1 2510 yesterday\n");

  hall = TableOf({40});
  ASSERT_TRUE(hall.Save(path, error)) << error;
  THallOfFame back;
  EXPECT_TRUE(back.Load(path, error, aside));
  EXPECT_EQ(back.Entries, hall.Entries);
}

TEST(HallOfFame, ReplaysOfTheNewestRunsAndOfTheHallsGamesAreKept) {
  const std::string folder = Folder("prune");
  std::vector<std::string> runs;
  for (int i = 0; i < 8; ++i) {
    runs.push_back(NewReplayName(folder, 1797009200 + i * 60));
    WriteFile(ReplayPath(folder, runs.back()), "gloopa-demo 2\n");
  }
  EXPECT_EQ(runs[0], "run-20261211-171320.demo");
  EXPECT_EQ(NewReplayName(folder, 1797009200), "run-20261211-171320_2.demo");
  // A killed run's journal, and a file the player put there.
  fs::rename(ReplayPath(folder, runs[1]), ReplayPath(folder, runs[1]) + ".part");
  WriteFile(ReplayPath(folder, "mine.demo"), "x");
  EXPECT_EQ(ReplayOnDisk(folder, runs[1]), ReplayPath(folder, runs[1]) + ".part");
  EXPECT_EQ(ReplayOnDisk(folder, "run-gone.demo"), "");

  THallOfFame hall;
  hall.Enter(Entry(100, 1797009200, runs[1]));
  PruneReplays(folder, hall, 5);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(!ReplayOnDisk(folder, runs[size_t(i)]).empty(), i == 1 || i >= 3) << runs[size_t(i)];
  EXPECT_TRUE(fs::exists(ReplayPath(folder, "mine.demo")));
}
