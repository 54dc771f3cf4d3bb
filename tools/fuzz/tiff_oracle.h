// libtiff as an independent reference for T.6 (CCITT Group 4) streams, for tests.
//
// Images are packed rows, width / 8 bytes each, most significant bit first, 1 = black: the
// layout in which the coded stream goes out. width must be a multiple of 8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Decodes one T.6 stream of `rows` rows. Empty when libtiff rejects the stream.
std::vector<uint8_t> TiffDecodeG4(const uint8_t* data, size_t size, int width, int rows);

// libtiff's own T.6 coding of the image, as the bytes of its strip. Empty on failure.
std::vector<uint8_t> TiffEncodeG4(const uint8_t* image, int width, int rows);
