#pragma once
// The hall of fame from the command line: --scores prints the table, --scores --verify replays
// every entry's run headless and says whether the entry is what its replay proves, and
// --play-score N sets a run up to replay entry N's game.
#include <cstdint>
#include <string>

struct TRunOptions;
struct TSessionFiles;

// Prints the table in Folder to standard output; with Verify, each entry's verdict after it.
// Returns 0, or 1 when the table cannot be read or (with Verify) an entry is not proven.
int PrintScores(const std::string& Folder, bool Verify);

// Sets Files and Options to replay the run of entry Rank (from 1): its steps before the game,
// undrawn and fast, then the game at its pace to a little past its end. Returns 0, or the exit
// status of a run that cannot start: 2 for no such entry, 1 for a missing replay or table.
int ChooseScoreReplay(const std::string& Folder, int64_t Rank, TSessionFiles& Files,
                      TRunOptions& Options);
