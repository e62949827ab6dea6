#pragma once
// Bytes held through operator new, for the memory figures of the benches: a bench program that
// compiles AllocationCount.cpp counts every allocation of the process (the usable size malloc
// gave it), and its peak since the last MarkPeak.
namespace korvan::bench {

long long LiveBytes();
long long PeakBytes();
// Starts a new peak from what is held now; returns that amount.
long long MarkPeak();

}  // namespace korvan::bench
