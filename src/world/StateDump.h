#pragma once
#include <cstdint>
#include <string>

class TGloopa;

// The world's whole state as one JSON object, for comparing and measuring runs: integers as
// integers, flags as true/false, and every Single printed with nine significant digits so that it
// reads back to the same Single. Lists follow the world's order.
std::string StateDumpText(const TGloopa& World, int64_t Frames);

// A 64-bit FNV-1a hash of the same values in the same order, in a fixed binary form (written out
// in docs/DEMOS.md), for the checks a demo carries: equal states give equal hashes on every build.
uint64_t StateHash(const TGloopa& World, int64_t Frames);

// Writes StateDumpText to Path. On failure returns false with the reason in Error.
bool WriteStateDump(const TGloopa& World, int64_t Frames, const std::string& Path,
                    std::string& Error);
