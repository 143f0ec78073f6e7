#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/WindowMessages.h"

// The player's remembered choices, kept in a settings file of plain "key = value" lines (lines
// starting with '#' or ';' are comments). The built-in defaults are the game's behaviour with no
// file at all.
struct TSettings {
  enum TDisplay { dsFullScreen, dsDesktop, dsWindowed };

  TDisplay Display = dsFullScreen;
  int32_t WindowWidth = GameViewWidth, WindowHeight = GameViewHeight;
  int32_t WindowX = 0, WindowY = 0; // where the window has always opened
  bool VSync = true;
  bool PauseOnFocusLoss = true;
  int32_t Volume = 100; // 0..100
  bool Mute = false;
  bool LineScale = true;
  bool Interpolation = true; // frames drawn between the steps
  int32_t MaxFps = -1;       // frames a second without vertical sync: -1 the display's rate, 0 any
  bool RecordGames = true;   // live runs are recorded for the hall of fame

  bool operator==(const TSettings&) const = default;
};

const char* DisplayName(TSettings::TDisplay Display);

struct TRunOptions;

// The run's options from Settings, for what the command line left unsaid: the display unless
// --windowed or --desktop was given (DisplayGiven), vertical sync unless --no-vsync was
// (VSyncGiven), and the window's place and size, pausing on focus loss, the volume, the mute, the
// line scaling, the drawing between steps and the frame cap, which have no options but
// --no-interpolation (which main applies after these).
void ApplySettings(const TSettings& Settings, bool DisplayGiven, bool VSyncGiven,
                   TRunOptions& Options);

// The settings file: its lines as read, so that comments, unknown keys and the order survive a
// rewrite, with the known keys' values read out of them.
class TSettingsFile {
public:
  // $XDG_CONFIG_HOME/gloopa/gloopa.ini (~/.config/gloopa/gloopa.ini when that is unset), or
  // %APPDATA%\Gloopa\gloopa.ini on Windows. Empty when neither can be told.
  static std::string DefaultPath();

  // Reads Text. A line that is not "key = value", or a known key with a value it cannot take,
  // fails with "NAME:LINE: what is wrong" in Error; Values are then the defaults. Unknown keys
  // are kept and ignored.
  bool Parse(const std::string& Text, const std::string& Name, std::string& Error);
  // The file with Values written into it: each known key's last line takes the new value, and
  // keys the file lacks are added at the end (a new file starts with a comment saying what it is).
  std::string Text() const;

  // Reads Path; a missing file is no error and gives the defaults.
  bool Load(const std::string& Path, std::string& Error);
  // Writes Text() whole to Path, making its folder when needed.
  bool Save(const std::string& Path, std::string& Error) const;

  TSettings Values;

private:
  std::vector<std::string> Lines;
};
