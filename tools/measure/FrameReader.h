#pragma once

#include <span>
#include <string>
#include <vector>

// Reads a frame of little-endian doubles (volts) from a file or, for "-", standard input.
// Returns false with a one-line reason when the input cannot be opened or read, is empty,
// is not a whole number of doubles, or holds a non-finite sample.
bool ReadFrame(const std::string& input, std::vector<double>& samples, std::string& error);

// The same over bytes already read; `input` only names them in the reason.
bool DecodeFrame(std::span<const unsigned char> bytes, const std::string& input, std::vector<double>& samples,
                 std::string& error);
