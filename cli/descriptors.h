// The process's standard streams and descriptors, where systems differ:
// whether one is open, whether it is a terminal, closing it, and how many
// more files the process may still open.
#pragma once

#include <cstddef>

constexpr int kStandardInput = 0;
constexpr int kStandardOutput = 1;
constexpr int kStandardError = 2;

// 0 when `descriptor` is open, else the errno that says why not.
int DescriptorError(int descriptor);

// Closes `descriptor`: 0, or the errno of a close that reported a failure
// (some file systems report a failed write only then).
int CloseDescriptor(int descriptor);

// True when `descriptor` is a terminal (on Windows, a console).
bool IsTerminal(int descriptor);

// Standard input and error, when closed, get the null device in their
// place, so that no file or folder this run opens takes their numbers.
// Standard output is left to the output's own check.
void FillClosedStandardDescriptors();

// How many of `wanted` reads can have a descriptor of their own: those
// the process may still open. A run that reads one file at a time needs
// one; more in flight must not make a file fail with "too many files are
// open" that one at a time would have read.
std::size_t FreeDescriptors(std::size_t wanted);
