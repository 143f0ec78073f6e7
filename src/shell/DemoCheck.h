#pragma once
#include <cstdint>
#include <string>

#include "shell/Demo.h"

class TGloopa;

// The check a demo line would hold for World after step Step.
TDemoCheck CheckOfWorld(const TGloopa& World, int64_t Step);

// Empty when Got is what Expected says; otherwise the report of the desync: "desync at step N
// (line L): expected HASH, got HASH", then which of the plain figures differ.
std::string CheckMismatch(const TDemoCheck& Expected, const TDemoCheck& Got);

// Empty when a game ended in the step of Expected (Ended) with its score; otherwise the report of
// the desync: "desync at step N (line L): expected a game to end with score S, got ...".
std::string ScoreMismatch(const TDemoScore& Expected, bool Ended, int64_t Score);
