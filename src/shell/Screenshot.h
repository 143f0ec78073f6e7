#pragma once
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// Screenshots: the frame just drawn, read back from the GL's back buffer and written as an
// 8-bit RGB PNG holding exactly those pixels (the whole drawable, bars included).

// The RGB pixels of the current GL context's back buffer, Width x Height, top row first.
std::vector<uint8_t> ReadBackBuffer(int32_t& Width, int32_t& Height);

// Writes RGB pixels (top row first) as a PNG. On failure returns false and sets Error.
bool WritePNG(const std::string& Path, const std::vector<uint8_t>& RGB, int32_t Width,
              int32_t Height, std::string& Error);

// Reads back the frame just drawn and writes it to Path.
bool SaveScreenshot(const std::string& Path, std::string& Error);

// The folder for screenshots taken with F12: $XDG_PICTURES_DIR/Gloopa, or ~/Pictures/Gloopa when
// that is not set. Empty when neither can be found.
std::string ScreenshotFolder();

// "Gloopa-YYYYMMDD-HHMMSS.png" for the local time When.
std::string ScreenshotName(std::time_t When);

// Takes a screenshot into ScreenshotFolder() (created when needed) under ScreenshotName(now); a
// second shot within the same second gets "-2", "-3", ... before the extension rather than
// replacing the first. Sets Path to the file written, or Error on failure.
bool SaveScreenshotToFolder(std::string& Path, std::string& Error);
