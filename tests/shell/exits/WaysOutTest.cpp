// Every way a run can end keeps what it wrote: signals end it through the normal shutdown, a disk
// that fills up is reported without touching the old file, and a killed recorder leaves a demo
// that replays up to its last complete line. The game runs as a program (the simulation build:
// the same shell and world, without drawing).
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/TestFiles.h"

namespace {

std::string Temp(const std::string& Name) {
  return ::testing::TempDir() + "gloopa_exit_" + Name;
}

bool Exists(const std::string& Path) {
  return access(Path.c_str(), F_OK) == 0;
}

// Starts the game with Args; FileLimit > 0 caps the size of any file it writes (as a full disk
// would stop it), with the signal for that ignored so that the write itself fails.
pid_t Start(const std::vector<std::string>& Args, long FileLimit = 0) {
  const std::string err = Temp("stderr.txt");
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, 2);
    if (FileLimit > 0) {
      signal(SIGXFSZ, SIG_IGN);
      rlimit limit{rlim_t(FileLimit), rlim_t(FileLimit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    std::vector<char*> argv;
    static std::string exe = GLOOPA_SIM_EXE;
    argv.push_back(exe.data());
    static std::string headless = "--headless", windowed = "--windowed";
    argv.push_back(headless.data());
    argv.push_back(windowed.data());
    std::vector<std::string> copy = Args;
    for (std::string& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

// The exit status, or 128 + the signal that ended the run.
int Wait(pid_t Pid) {
  int raw = 0;
  waitpid(Pid, &raw, 0);
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

int RunGameWith(const std::vector<std::string>& Args, long FileLimit = 0) {
  return Wait(Start(Args, FileLimit));
}

std::string Stderr() {
  return ReadFile(Temp("stderr.txt"));
}

// Waits until Path holds at least Lines lines.
bool WaitForLines(const std::string& Path, size_t Lines) {
  for (int i = 0; i < 600; ++i) {
    const std::string text = ReadFile(Path);
    size_t n = 0;
    for (char c : text) n += c == '\n';
    if (n >= Lines) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// A demo whose mouse moves every frame, so each frame is a line of its own.
std::string MovingDemo(int Frames) {
  std::string text = "gloopa-demo 1\n";
  for (int i = 0; i < Frames; ++i)
    text += std::to_string(100 + i % 800) + " " + std::to_string(300 + i % 300) + " " +
            (i > 5 && i < 40 ? "1" : "0") + " 1\n";
  return text;
}

// A recording's mouse lines as the version 1 demo they make (the header, its comment and the
// checks left out), and how many checks it holds.
std::string MouseLines(const std::string& Recorded, int64_t& Checks) {
  std::istringstream lines(Recorded);
  std::string line, mouse = "gloopa-demo 1\n";
  Checks = 0;
  std::getline(lines, line);
  EXPECT_EQ(line, "gloopa-demo 2");
  while (std::getline(lines, line)) {
    if (line.rfind("check ", 0) == 0)
      ++Checks;
    else if (line[0] != '#')
      mouse += line + "\n";
  }
  return mouse;
}

} // namespace

TEST(WaysOut, SignalsEndTheRunThroughTheNormalShutdown) {
  for (const int sig : {SIGINT, SIGTERM}) {
    const std::string demo = Temp("signal.demo"), dump = Temp("signal.json");
    std::remove(demo.c_str());
    std::remove(dump.c_str());
    const std::string moves = Temp("moves.demo");
    WriteFile(moves, MovingDemo(100000));
    // A replay at the game's pace, recorded again: the run is still going when the signal comes.
    const pid_t pid = Start({"--play", moves, "--record", demo, "--statdump", dump});
    ASSERT_TRUE(WaitForLines(demo + ".part", 20)) << Stderr();
    kill(pid, sig);
    EXPECT_EQ(Wait(pid), 0) << "signal " << sig << "\n" << Stderr();
    EXPECT_FALSE(Exists(demo + ".part"));
    const nlohmann::json d = nlohmann::json::parse(ReadFile(dump));
    const int64_t frames = d["frames"];
    EXPECT_GE(frames, 19); // the journal is a line behind the frame being counted
    EXPECT_LT(frames, 100000);
    // The demo holds every frame played, and each is the frame that was played.
    int64_t checks = 0;
    const std::string recorded = MouseLines(ReadFile(demo), checks);
    const std::string original = MovingDemo(100000);
    EXPECT_EQ(recorded, original.substr(0, recorded.size()));
    EXPECT_EQ(int64_t(std::count(recorded.begin(), recorded.end(), '\n')), frames + 1);
    EXPECT_EQ(checks, frames / 100 + (frames % 100 != 0)) << "every 100 steps and the last";
  }
}

TEST(WaysOut, AFullDiskIsReportedAndLeavesTheOldFileAsItWas) {
  // /dev/full takes no bytes: the write fails and the run says so.
  EXPECT_EQ(RunGameWith({"--frames", "3", "--statdump", "/dev/full"}), 1);
  EXPECT_NE(Stderr().find("cannot write the state dump /dev/full: No space left on device"),
            std::string::npos)
      << Stderr();
  EXPECT_EQ(RunGameWith({"--frames", "3", "--record", "/dev/full"}), 1);
  EXPECT_NE(Stderr().find("cannot write the demo /dev/full: No space left on device"),
            std::string::npos)
      << Stderr();

  // A file system that fills up part way: the dump (some 30 KB) and the demo stop at the limit;
  // the files already there stay whole, and no temporary file is left beside them.
  const std::string folder = Temp("full/");
  mkdir(folder.c_str(), 0755);
  const std::string dump = folder + "old.json", demo = folder + "old.demo";
  WriteFile(dump, "the old dump\n");
  WriteFile(demo, "gloopa-demo 1\n1 2 0 0 3\n");
  EXPECT_EQ(RunGameWith({"--frames", "3", "--statdump", dump}, 4096), 1);
  EXPECT_NE(Stderr().find("cannot write the state dump " + dump), std::string::npos) << Stderr();
  EXPECT_EQ(ReadFile(dump), "the old dump\n");
  const std::string moves = Temp("moves_full.demo");
  WriteFile(moves, MovingDemo(600));
  EXPECT_EQ(RunGameWith({"--timedemo", moves, "--record", demo}, 4096), 1);
  EXPECT_NE(Stderr().find("cannot write the demo " + demo), std::string::npos) << Stderr();
  EXPECT_EQ(ReadFile(demo), "gloopa-demo 1\n1 2 0 0 3\n");
  int files = 0;
  if (FILE* ls = popen(("ls -A " + folder).c_str(), "r")) {
    char line[512];
    while (fgets(line, sizeof line, ls)) ++files;
    pclose(ls);
  }
  EXPECT_EQ(files, 2) << "only the two old files";
}

TEST(WaysOut, AKilledRecorderLeavesADemoThatReplaysAndVerifiesUpToItsLastCompleteLine) {
  const std::string demo = Temp("killed.demo"), moves = Temp("moves_killed.demo");
  WriteFile(demo, "gloopa-demo 1\n1 2 0 0 3\n");
  const std::string original = MovingDemo(100000);
  WriteFile(moves, original);
  const pid_t pid = Start({"--play", moves, "--record", demo});
  // Past the second check (every 100 steps).
  ASSERT_TRUE(WaitForLines(demo + ".part", 230)) << Stderr();
  kill(pid, SIGKILL);
  EXPECT_EQ(Wait(pid), 128 + SIGKILL);
  EXPECT_EQ(ReadFile(demo), "gloopa-demo 1\n1 2 0 0 3\n") << "the old demo is untouched";

  // The journal ends with a whole line, and its mouse lines are the frames that were played.
  const std::string part = ReadFile(demo + ".part");
  ASSERT_FALSE(part.empty());
  EXPECT_EQ(part.back(), '\n');
  int64_t checks = 0;
  const std::string mouse = MouseLines(part, checks);
  EXPECT_EQ(mouse, original.substr(0, mouse.size()));
  const int64_t frames = int64_t(std::count(mouse.begin(), mouse.end(), '\n')) - 1;
  ASSERT_GE(checks, 2);

  // It replays to the same state as the original demo played for as many frames, and every
  // check it holds is met.
  const std::string a = Temp("killed_a.json"), b = Temp("killed_b.json");
  ASSERT_EQ(RunGameWith({"--verify", demo + ".part", "--statdump", a}), 0) << Stderr();
  ASSERT_EQ(RunGameWith({"--timedemo", moves, "--frames", std::to_string(frames), "--statdump", b}),
            0)
      << Stderr();
  EXPECT_EQ(nlohmann::json::parse(ReadFile(a))["frames"], frames);
  EXPECT_EQ(ReadFile(a), ReadFile(b));
}
