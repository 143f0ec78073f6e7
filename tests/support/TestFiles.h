#pragma once
#include <fstream>
#include <sstream>
#include <string>

// Whole files for tests that run the game as a program and look at what it wrote.
inline std::string ReadFile(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& Path, const std::string& Text) {
  std::ofstream(Path, std::ios::binary) << Text;
}
