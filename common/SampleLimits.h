#pragma once

// The value range every part of the viewer agrees on: samples are 12-bit, 0 to maxSample,
// and the transfer table has one entry per sample value.
constexpr int maxSample = 4095;
constexpr int transferTableSize = maxSample + 1;
