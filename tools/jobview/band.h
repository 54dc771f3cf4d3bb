#pragma once
// Decodes the MMR (T.6) data of one raster band with libtiff's Group 4
// decoder, a slice of rows at a time, so that no band is ever held whole.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Rows are packed, (width + 7) / 8 bytes each, most significant bit first, 1
// black; `first` is the slice's first row within the band.
using BandSlice = std::function<void(int32_t first, int32_t count, const uint8_t* rows)>;

// Hands every decoded slice to `slice` and returns the number of rows decoded.
// Fewer rows than asked for means the data is damaged; `error` then says why.
int32_t DecodeBand(const uint8_t* data, size_t size, int32_t width, int32_t rows,
                   const BandSlice& slice, std::string& error);
