#pragma once
#include <stdexcept>
#include <string>

// The few platform services that game code needs, kept behind plain functions so that only the
// shell and this layer talk to SDL.

// Shows a modal warning box captioned "Error" with an OK button and always writes the text to
// standard error. With no display (or in a headless run) only standard error gets the text.
void ShowErrorBox(const std::string& Text);
// Writes what the platform layer says went wrong in its last failed call ("Call: reason") to
// standard error; the message box that follows keeps the game's own text.
void SayPlatformReason(const std::string& Call);
// Headless runs never show message boxes.
void SetHeadlessMessages(bool Headless);

// Raised after a fatal load error has been reported: the game ends through its normal
// shutdown path with a non-zero exit status.
struct ETerminate : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The folder of the game's data that holds File (a path relative to it), with a trailing
// separator: the executable's own folder, or <prefix>/share/gloopa/ for a game installed in
// <prefix>/bin. When neither holds File, the executable's own folder, to be named in messages.
std::string GameFolder(const std::string& File);

// Where the player's own files of one kind go: %APPDATA%\Gloopa\Leaf on Windows; elsewhere
// $XdgVariable/gloopa/Leaf, or $HOME/HomeFolder/gloopa/Leaf when that is unset or not absolute.
// Empty when neither can be told.
std::string PlayerFilePath(const char* XdgVariable, const char* HomeFolder,
                           const std::string& Leaf);

// Run-time loading of shared libraries.
void* PlatformLoadLibrary(const std::string& Name);
void* PlatformLoadFunction(void* Library, const std::string& Name);
void PlatformUnloadLibrary(void* Library);

void PlatformSleep(unsigned Milliseconds);

// Sets the environment variable Name to Value for this process (and the libraries it loads),
// unless it is already set. Returns whether it was set here.
bool PlatformSetDefaultEnvironment(const std::string& Name, const std::string& Value);

// Asks the C library to keep memory that is freed instead of handing it back to the system at
// once. A software GL renderer allocates and frees megabytes of vertex and scene memory every
// frame, and returning it each time costs a page fault per page when it is taken again. Called
// once, before the GL is loaded; does nothing where the C library has no such setting.
void PlatformKeepFreedMemory();
