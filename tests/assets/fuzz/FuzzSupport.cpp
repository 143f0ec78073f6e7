// The loader reports through these platform calls. The fuzzers drive only the parts that raise
// exceptions instead, so quiet stand-ins keep them free of SDL.
#include "platform/Platform.h"

void ShowErrorBox(const std::string&) {}
std::string GameFolder(const std::string&) {
  return "./";
}
