#include "shell/Settings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/Platform.h"
#include "platform/WholeFile.h"
#include "shell/GLWindow.h"

namespace {

const char* const DisplayNames[] = {"fullscreen", "desktop", "windowed"};

std::string Trim(const std::string& Text) {
  const size_t first = Text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const size_t last = Text.find_last_not_of(" \t\r");
  return Text.substr(first, last - first + 1);
}

bool IsComment(const std::string& Line) {
  const std::string t = Trim(Line);
  return t.empty() || t[0] == '#' || t[0] == ';';
}

// Splits "key = value"; false for a line without '=' or without a key.
bool SplitLine(const std::string& Line, std::string& Key, std::string& Value) {
  const size_t equals = Line.find('=');
  if (equals == std::string::npos) return false;
  Key = Trim(Line.substr(0, equals));
  Value = Trim(Line.substr(equals + 1));
  return !Key.empty();
}

bool ParseInt(const std::string& Text, int32_t Min, int32_t Max, int32_t& Value) {
  if (Text.empty() || Text.size() > 11) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(Text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < Min || v > Max) return false;
  Value = int32_t(v);
  return true;
}

bool ParseFlag(const std::string& Text, bool& Value) {
  for (const char* yes : {"1", "true", "yes", "on"})
    if (Text == yes) return Value = true;
  for (const char* no : {"0", "false", "no", "off"})
    if (Text == no) return !(Value = false);
  return false;
}

// The known keys: how each is read from its value, or what is wrong with it, and written back.
struct TKey {
  const char* Name;
  std::string (*Read)(const std::string& Value, TSettings& S); // "" when read
  std::string (*Write)(const TSettings& S);
};

std::string Flag(const std::string& Value, bool& Field, const char* Name) {
  return ParseFlag(Value, Field) ? ""
                                 : std::string(Name) + " must be 0 or 1, found \"" + Value + "\"";
}

std::string Number(const std::string& Value, int32_t& Field, int32_t Min, int32_t Max,
                   const char* Name) {
  if (ParseInt(Value, Min, Max, Field)) return "";
  return std::string(Name) + " must be a whole number from " + std::to_string(Min) + " to " +
         std::to_string(Max) + ", found \"" + Value + "\"";
}

const TKey Keys[] = {
    {"display",
     [](const std::string& V, TSettings& S) -> std::string {
       for (int i = 0; i < 3; ++i)
         if (V == DisplayNames[i]) {
           S.Display = TSettings::TDisplay(i);
           return "";
         }
       return "display must be fullscreen, desktop or windowed, found \"" + V + "\"";
     },
     [](const TSettings& S) { return std::string(DisplayName(S.Display)); }},
    {"window_width",
     [](const std::string& V, TSettings& S) {
       return Number(V, S.WindowWidth, 160, 16384, "window_width");
     },
     [](const TSettings& S) { return std::to_string(S.WindowWidth); }},
    {"window_height",
     [](const std::string& V, TSettings& S) {
       return Number(V, S.WindowHeight, 120, 16384, "window_height");
     },
     [](const TSettings& S) { return std::to_string(S.WindowHeight); }},
    {"window_x",
     [](const std::string& V, TSettings& S) {
       return Number(V, S.WindowX, -32768, 32767, "window_x");
     },
     [](const TSettings& S) { return std::to_string(S.WindowX); }},
    {"window_y",
     [](const std::string& V, TSettings& S) {
       return Number(V, S.WindowY, -32768, 32767, "window_y");
     },
     [](const TSettings& S) { return std::to_string(S.WindowY); }},
    {"vsync", [](const std::string& V, TSettings& S) { return Flag(V, S.VSync, "vsync"); },
     [](const TSettings& S) { return std::string(S.VSync ? "1" : "0"); }},
    {"pause_on_focus_loss",
     [](const std::string& V, TSettings& S) {
       return Flag(V, S.PauseOnFocusLoss, "pause_on_focus_loss");
     },
     [](const TSettings& S) { return std::string(S.PauseOnFocusLoss ? "1" : "0"); }},
    {"volume",
     [](const std::string& V, TSettings& S) { return Number(V, S.Volume, 0, 100, "volume"); },
     [](const TSettings& S) { return std::to_string(S.Volume); }},
    {"mute", [](const std::string& V, TSettings& S) { return Flag(V, S.Mute, "mute"); },
     [](const TSettings& S) { return std::string(S.Mute ? "1" : "0"); }},
    {"line_scale",
     [](const std::string& V, TSettings& S) { return Flag(V, S.LineScale, "line_scale"); },
     [](const TSettings& S) { return std::string(S.LineScale ? "1" : "0"); }},
    {"interpolation",
     [](const std::string& V, TSettings& S) { return Flag(V, S.Interpolation, "interpolation"); },
     [](const TSettings& S) { return std::string(S.Interpolation ? "1" : "0"); }},
    {"max_fps",
     [](const std::string& V, TSettings& S) -> std::string {
       if (V == "display") {
         S.MaxFps = -1;
         return "";
       }
       if (ParseInt(V, 0, 1000, S.MaxFps)) return "";
       return "max_fps must be display or a whole number from 0 to 1000, found \"" + V + "\"";
     },
     [](const TSettings& S) {
       return S.MaxFps < 0 ? std::string("display") : std::to_string(S.MaxFps);
     }},
    {"record_games",
     [](const std::string& V, TSettings& S) { return Flag(V, S.RecordGames, "record_games"); },
     [](const TSettings& S) { return std::string(S.RecordGames ? "1" : "0"); }},
};

const char* const NewFileHeader =
    "# Gloopa's settings, written by the game when a remembered choice changes. Options given on\n"
    "# the command line win over these for their run. display: fullscreen (a 1024 x 768 mode\n"
    "# switch), desktop (full screen at the desktop's size) or windowed; volume: 0 to 100;\n"
    "# max_fps (frames a second without vertical sync): display (the display's rate), or a\n"
    "# number, 0 for no cap; record_games: 0 records no run for the hall of fame; the rest are\n"
    "# 0 or 1.\n";

} // namespace

const char* DisplayName(TSettings::TDisplay Display) {
  return DisplayNames[int(Display)];
}

void ApplySettings(const TSettings& Settings, bool DisplayGiven, bool VSyncGiven,
                   TRunOptions& Options) {
  if (!DisplayGiven) {
    Options.Windowed = Settings.Display == TSettings::dsWindowed;
    Options.Desktop = Settings.Display == TSettings::dsDesktop;
  }
  if (!VSyncGiven) Options.VSync = Settings.VSync;
  Options.WindowX = Settings.WindowX;
  Options.WindowY = Settings.WindowY;
  Options.WindowWidth = Settings.WindowWidth;
  Options.WindowHeight = Settings.WindowHeight;
  Options.PauseOnFocusLoss = Settings.PauseOnFocusLoss;
  Options.Volume = Settings.Volume;
  Options.Mute = Settings.Mute;
  Options.LineScale = Settings.LineScale;
  Options.Interpolate = Settings.Interpolation;
  Options.MaxFps = Settings.MaxFps;
}

std::string TSettingsFile::DefaultPath() {
  return PlayerFilePath("XDG_CONFIG_HOME", ".config", "gloopa.ini");
}

bool TSettingsFile::Parse(const std::string& Text, const std::string& Name, std::string& Error) {
  Lines.clear();
  Values = TSettings{};
  std::istringstream in(Text);
  std::string line;
  TSettings read;
  int64_t number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Lines.push_back(line);
    if (IsComment(line)) continue;
    std::string key, value;
    std::string wrong;
    if (!SplitLine(line, key, value)) {
      wrong = "expected \"key = value\", found \"" + Trim(line) + "\"";
    } else {
      for (const TKey& k : Keys)
        if (key == k.Name) wrong = k.Read(value, read);
    }
    if (!wrong.empty()) {
      Error = Name + ":" + std::to_string(number) + ": " + wrong;
      Lines.clear();
      return false;
    }
  }
  Values = read;
  return true;
}

std::string TSettingsFile::Text() const {
  std::vector<std::string> lines = Lines;
  if (lines.empty()) {
    std::istringstream header(NewFileHeader);
    for (std::string line; std::getline(header, line);) lines.push_back(line);
  }
  for (const TKey& k : Keys) {
    const std::string entry = std::string(k.Name) + " = " + k.Write(Values);
    size_t last = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
      std::string key, value;
      if (!IsComment(lines[i]) && SplitLine(lines[i], key, value) && key == k.Name) last = i;
    }
    if (last < lines.size())
      lines[last] = entry;
    else
      lines.push_back(entry);
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

bool TSettingsFile::Load(const std::string& Path, std::string& Error) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) {
    Lines.clear();
    Values = TSettings{};
    if (errno == ENOENT) return true;
    Error = "cannot read the settings " + Path + ": " + std::strerror(errno);
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  return Parse(text.str(), Path, Error);
}

bool TSettingsFile::Save(const std::string& Path, std::string& Error) const {
  std::string reason;
  if (!MakeFolderFor(Path, reason) || !WriteWholeFile(Path, Text(), reason)) {
    Error = "cannot write the settings " + Path + ": " + reason;
    return false;
  }
  return true;
}
