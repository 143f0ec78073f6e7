#pragma once
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// Shared by the model loader's files (VexLib3D*.cpp) and nothing else.

// Every malformed input is raised as this.
inline std::runtime_error Fail(const std::string& Message) {
  return std::runtime_error(Message);
}

// Shows "Problem reading file <Name>" with the message, as every load failure is reported.
void ShowProblem(const std::string& Name, const std::string& Message);

// Reads at most Limit bytes of a file; raises with the system's text when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& Path, size_t Limit, bool& Truncated);
