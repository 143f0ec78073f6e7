#pragma once
#include <string>
#include <string_view>

// Files the game writes for the player (state dumps, demos) are replaced whole or not at all.

// Where a file that replaces Path must be renamed to: Path itself, or the file a symbolic link
// at Path points to (so the link survives). Empty when Path is not a regular file (a device such
// as /dev/null or /dev/full, a pipe): those are written in place, since renaming a new file over
// them would replace the device itself.
std::string RenameTarget(const std::string& Path);

// Writes Text to Path. A regular file (or a new one) is written under a temporary name beside it,
// flushed to the disk and renamed into place, so an interrupted or failed write leaves what was
// there before untouched; an existing file keeps its permissions. Anything else is written
// directly. On failure returns false with the system's reason in Error.
bool WriteWholeFile(const std::string& Path, std::string_view Text, std::string& Error);

// Writes all of Text to the open descriptor Fd, going on after partial writes and interruptions.
bool WriteAll(int Fd, std::string_view Text);

// The descriptor calls behind the writers, the same on every platform: a file opened to be
// written in binary (created, or emptied; with Exclusive, only created), -1 on failure with the
// reason in errno; flushing to the disk; closing; renaming over an existing file; removing.
int OpenForWriting(const std::string& Path, bool Exclusive);
bool SyncFile(int Fd);
bool CloseFile(int Fd);
bool ReplaceFile(const std::string& From, const std::string& To);
void RemoveFile(const std::string& Path);

// Whether Path could be written by WriteWholeFile, checked without creating or changing anything.
// On failure returns false with the reason in Error.
bool CanReplaceFile(const std::string& Path, std::string& Error);

// Makes the folder that holds Path, and the folders above it, when they are missing. On failure
// returns false with the reason in Error.
bool MakeFolderFor(const std::string& Path, std::string& Error);
