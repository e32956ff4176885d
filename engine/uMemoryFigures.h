#pragma once
// The machine's physical memory: the total, fixed at start, and the live
// available figure. 64-bit byte counts, so that machines with more than
// 4 GB are measured right by the 32-bit program too.
#include <cstdint>

extern uint64_t TotalPhysBytes;
// Total MB, any fraction of a MB from 0.01 up counting as a whole one.
extern int TotalPhysMB;

// Reads the total once; called at process start before anything else.
void InitMemoryFigures();
// Computes TotalPhysMB from a byte count the way InitMemoryFigures does.
int TotalMBFromBytes(uint64_t totalBytes);

// A fresh reading of the available physical memory, in bytes.
uint64_t AvailPhysBytes();
// Used memory in whole MB: TotalPhysMB - (available >> 20).
int UsedPhysMB();
