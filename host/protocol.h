#pragma once
// The wire protocol between the host and the driver, in one place: the
// request codes, the fields of every request's packet, the host's service
// slots, the descriptor's handler fields, the stored record's layout, and the
// helpers that read and write them in place. The driver and every host (the
// command-line host, the print host, the tests, the fuzz targets, the bench)
// use these names; no offset is written anywhere else.
//
// Packets, the record and the descriptor are packed little-endian layouts
// with fields at odd offsets; they are read and written through the helpers
// below, so that no struct padding or alignment decides a layout.
//
// Two widths. On the 32-bit builds (the Win32 DLL and the i686 Linux library)
// every layout is the host's by contract: an address is 4 bytes, the service
// table's slots are 4 bytes apart, the descriptor's handlers stand at 410 and
// 414. A 64-bit build has no host bound by that contract, and an address does
// not fit 4 bytes there; the host and the driver meet on these same names with
// addresses of the machine's size. So on 64-bit the service slots, the
// descriptor's two handlers, the host window, the address of request 54's
// vertices, the image request's entry points and image reference, and the
// strip request's and result's addresses are 8 bytes, and the fields behind
// them move. Each layout that differs is written out for both widths; the
// build's own is checked (host/protocol_check.cpp) against the struct that a C
// host of that width declares.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/abi.h"

// An address as it travels between host and driver.
using WireAddress = uintptr_t;
constexpr int32_t kAddressSize = static_cast<int32_t>(sizeof(WireAddress));
constexpr bool kWideAddresses = kAddressSize == 8;
static_assert(kAddressSize == 4 || kAddressSize == 8);

inline uint8_t ReadU8(const uint8_t* p, int32_t offset) {
  return p[offset];
}
inline uint16_t ReadU16(const uint8_t* p, int32_t offset) {
  uint16_t v;
  std::memcpy(&v, p + offset, 2);
  return v;
}
inline int16_t ReadI16(const uint8_t* p, int32_t offset) {
  return static_cast<int16_t>(ReadU16(p, offset));
}
inline uint32_t ReadU32(const uint8_t* p, int32_t offset) {
  uint32_t v;
  std::memcpy(&v, p + offset, 4);
  return v;
}
inline int32_t ReadI32(const uint8_t* p, int32_t offset) {
  return static_cast<int32_t>(ReadU32(p, offset));
}
inline double ReadF64(const uint8_t* p, int32_t offset) {
  double v;
  std::memcpy(&v, p + offset, 8);
  return v;
}
inline WireAddress ReadAddress(const uint8_t* p, int32_t offset) {
  WireAddress v;
  std::memcpy(&v, p + offset, sizeof v);
  return v;
}
inline void WriteU8(uint8_t* p, int32_t offset, uint8_t v) {
  p[offset] = v;
}
inline void WriteU16(uint8_t* p, int32_t offset, uint16_t v) {
  std::memcpy(p + offset, &v, 2);
}
inline void WriteU32(uint8_t* p, int32_t offset, uint32_t v) {
  std::memcpy(p + offset, &v, 4);
}
inline void WriteF64(uint8_t* p, int32_t offset, double v) {
  std::memcpy(p + offset, &v, 8);
}
inline void WriteAddress(uint8_t* p, int32_t offset, WireAddress v) {
  std::memcpy(p + offset, &v, sizeof v);
}

// Objects and entry points as addresses, and back.
inline WireAddress AddressOf(const void* p) {
  return reinterpret_cast<WireAddress>(p);
}
template <typename Fn>
inline WireAddress EntryAddress(Fn* fn) {
  return reinterpret_cast<WireAddress>(fn);
}
template <typename T>
inline T* PointerAt(WireAddress address) {
  return reinterpret_cast<T*>(address);
}

// The entry points on either side: the library's export, the descriptor's two
// request handlers, the host's services and the image's strip entry points.
using PladiFn = WireAddress(DRIVER_STDCALL*)(WireAddress services, WireAddress unused);
using RequestHandler = void(DRIVER_CDECL*)(uint8_t* packet);
using PrintServiceFn = void(DRIVER_CDECL*)(const char* text);
// (1, 0, bytes, count, 0); nonzero when the host took the bytes.
using WriteServiceFn = int32_t(DRIVER_CDECL*)(int32_t, int32_t, WireAddress bytes, int32_t count,
                                              int32_t);
// (size, record); 0 on success.
using RecordServiceFn = int32_t(DRIVER_CDECL*)(int32_t size, WireAddress record);
using SwapServiceFn = int32_t(DRIVER_CDECL*)(int32_t value, int32_t one);
using FetchStripFn = WireAddress(DRIVER_CDECL*)(WireAddress stripRequest);
using ReleaseStripFn = void(DRIVER_CDECL*)(WireAddress stripResult);

// The host's service table: slot n at byte n * kAddressSize. Only these are used.
constexpr int32_t kSlotPrintMessage = 28;
constexpr int32_t kSlotDeviceControl = 35;
constexpr int32_t kSlotWriteBytes = 40;
constexpr int32_t kSlotGetConfig = 44;
constexpr int32_t kSlotSaveConfig = 45;
constexpr int32_t kSlotSwapSetting = 48;
// The slots a host's table holds; more than the driver uses.
constexpr int32_t kServiceTableSlots = 64;

// The descriptor that PLADI returns: the driver's name, then the two request
// handlers' addresses; everything behind them (host strings and the device
// tables) moves by the 8 bytes the handlers grow on 64-bit.
struct DescriptorLayout {
  int32_t name, nameSize, controlHandler, graphicsHandler, deviceTables;
};
constexpr DescriptorLayout kDescriptor32{0, 81, 410, 414, 504};
constexpr DescriptorLayout kDescriptor64{0, 81, 410, 418, 512};
constexpr DescriptorLayout kDescriptor = kWideAddresses ? kDescriptor64 : kDescriptor32;
constexpr int32_t kHandlerGrowth = kDescriptor.deviceTables - kDescriptor32.deviceTables;

// Request codes. The control handler answers these:
constexpr int16_t kControlNothing = 2;
constexpr int16_t kControlHandshake = 11;
constexpr int16_t kControlModelQuery = 20;
constexpr int16_t kControlPlotSetUp = 21;
constexpr int16_t kControlZeroTable = 22;
constexpr int16_t kControlOnesTable = 23;
constexpr int16_t kControlRampTable = 25;
constexpr int16_t kControlCapabilities = 40;
constexpr int16_t kControlDoubleTable = 44;
constexpr int16_t kControlSaveConfig = 47;
constexpr int16_t kControlVersionCheck = 49;
constexpr int16_t kControlLoadMessages = 50;
// and the graphics handler these:
constexpr int16_t kGraphicsEndPlot = 2;
constexpr int16_t kGraphicsMove = 3;
constexpr int16_t kGraphicsDraw = 4;
constexpr int16_t kGraphicsSelectPen = 5;
constexpr int16_t kGraphicsLineType = 7;
constexpr int16_t kGraphicsLiftPen = 8;
constexpr int16_t kGraphicsAbort = 9;
constexpr int16_t kGraphicsLineTypeLegend = 15;
constexpr int16_t kGraphicsConfigFetch = 29;
constexpr int16_t kGraphicsBeginPlot = 30;
constexpr int16_t kGraphicsSummary = 31;
constexpr int16_t kGraphicsPolygonInline = 33;
constexpr int16_t kGraphicsLineTypeCount = 36;
constexpr int16_t kGraphicsPenWidth = 41;
constexpr int16_t kGraphicsModelLineTypes = 43;
constexpr int16_t kGraphicsConfigure = 46;
constexpr int16_t kGraphicsPlotArea = 47;
constexpr int16_t kGraphicsPaperList = 48;
constexpr int16_t kGraphicsReset = 49;
constexpr int16_t kGraphicsLoadMessages = 50;
constexpr int16_t kGraphicsImage = 52;
constexpr int16_t kGraphicsPolygonAt = 54;
// Every code each handler answers; any other leaves the packet as it was.
constexpr int16_t kControlCodes[] = {
    kControlNothing,     kControlHandshake,  kControlModelQuery,   kControlPlotSetUp,
    kControlZeroTable,   kControlOnesTable,  kControlRampTable,    kControlCapabilities,
    kControlDoubleTable, kControlSaveConfig, kControlVersionCheck, kControlLoadMessages};
constexpr int16_t kGraphicsCodes[] = {
    kGraphicsEndPlot,       kGraphicsMove,      kGraphicsDraw,           kGraphicsSelectPen,
    kGraphicsLineType,      kGraphicsLiftPen,   kGraphicsAbort,          kGraphicsLineTypeLegend,
    kGraphicsConfigFetch,   kGraphicsBeginPlot, kGraphicsSummary,        kGraphicsPolygonInline,
    kGraphicsLineTypeCount, kGraphicsPenWidth,  kGraphicsModelLineTypes, kGraphicsConfigure,
    kGraphicsPlotArea,      kGraphicsPaperList, kGraphicsReset,          kGraphicsLoadMessages,
    kGraphicsImage,         kGraphicsPolygonAt};

// Every packet: the request code on entry; the status on return, where the
// request answers one.
constexpr int32_t kCodeAt = 0;
constexpr int32_t kStatusAt = 0;
constexpr uint16_t kStatusOk = 0;
constexpr uint16_t kStatusFailed = 0xFFFF;
// Graphics 46 and 48 answer the plot area with this status.
constexpr uint16_t kStatusAreaAnswered = 19;

// The interface level this driver speaks; a host below it is refused
// (control 11, graphics 29).
constexpr int16_t kInterfaceLevel = 3;

// Packet fields, by request; `size` is the extent the driver reads or writes.
// Control 49 and graphics 49 (after its reset): the version check. The result
// is answered at `result`; offset 0 keeps the request code.
struct VersionCheckPacket {
  int32_t hostMarker = 4;   // u16: kExpectedHost
  int32_t release = 7;      // u8: the host's release, at least kLowestRelease
  int32_t result = 10;      // u16: 0, kVersionWrongHost or kVersionTooOld
  int32_t zero = 12;        // u16: 0
  int32_t driverName = 86;  // the descriptor's name, all 81 bytes
  int32_t size = 167;
};
constexpr VersionCheckPacket kVersionCheck;
constexpr uint16_t kExpectedHost = 1;
constexpr uint8_t kLowestRelease = 2;
constexpr uint16_t kVersionWrongHost = 0xFFFD;
constexpr uint16_t kVersionTooOld = 0xFFFB;

// Control 11, the handshake, and graphics 29, the configuration fetch: the
// host's interface level (answered with ours) and its window, a handle of the
// machine's size.
struct HandshakePacket {
  int32_t level = 4;  // i16
  int32_t zero = 6;   // u16: 0
  int32_t window = 11;
  int32_t size = 11 + kAddressSize;
};
constexpr HandshakePacket kHandshake;

// Control 20, the model query: the model's 32-byte name.
struct ModelQueryPacket {
  int32_t answeredLength = 2;  // u16: `size`
  int32_t one = 4;             // u16: 1
  int32_t zero = 6;            // u16: 0
  int32_t modelName = 8;
  int32_t size = 40;
};
constexpr ModelQueryPacket kModelQuery;

// Control 21, the plot set-up: the usable sheet and the host units per inch,
// and fixed answers whose meaning is the host's (the serial port's speed and
// framing among them).
struct PlotSetUpPacket {
  int32_t answeredLength = 2;  // u16: `size`
  int32_t resetAsked = 6;      // u16: 1 asks for the default settings
  int32_t length = 8;          // f64, inches
  int32_t width = 16;          // f64, inches
  int32_t unitsAlongLength = 24;
  int32_t unitsAlongWidth = 32;
  int32_t answer395 = 40;  // u16: 395
  int32_t answer255 = 42;  // u16: 255
  int32_t answer1 = 44;    // u16: 1
  int32_t answer7 = 46;    // u16: 7
  int32_t portKind = 48;   // u16: 1 serial, 2 parallel
  int32_t baudRate = 50;   // u16: 9600
  int32_t parity = 52;     // u16: 0
  int32_t dataBits = 54;   // u16: 8
  int32_t stopBits = 56;   // u16: 1
  int32_t lastByte = 58;   // u8: 0
  int32_t size = 59;
};
constexpr PlotSetUpPacket kPlotSetUp;

// Controls 22, 23 and 25: a value and a table of 256 bytes.
struct ByteTablePacket {
  int32_t answeredLength = 2;  // u16: `size`
  int32_t value = 4;           // u16
  int32_t table = 6;
  int32_t size = 6 + 256;
};
constexpr ByteTablePacket kByteTable;

// Control 40, the capabilities; graphics 46, 47 and 48 answer the two bytes
// at 139 and 140 as well.
struct CapabilitiesPacket {
  int32_t one = 4;             // u8: 1
  int32_t capabilityWord = 5;  // u32: the host's, with kCapabilityBit set
  int32_t answerTwo = 139;     // u8: 2
  int32_t answerZero = 140;    // u8: 0
  int32_t size = 141;
};
constexpr CapabilitiesPacket kCapabilities;
constexpr uint32_t kCapabilityBit = 0x80000;

// Control 44: 256 doubles, and a sum of two of the host's words.
struct DoubleTablePacket {
  int32_t sum = 2;            // u16: firstAddend + secondAddend, as the host wrote them
  int32_t count = 4;          // u32: 255
  int32_t firstAddend = 8;    // u16
  int32_t secondAddend = 12;  // u16
  int32_t doubles = 16;
  int32_t size = 16 + 8 * 256;
};
constexpr DoubleTablePacket kDoubleTable;

// Graphics 3 and 4: a point in host units.
struct PointPacket {
  int32_t x = 4;  // u16
  int32_t y = 6;  // u16
  int32_t size = 8;
};
constexpr PointPacket kPoint;

// Graphics 5 (pen), 7 (line type) and 36 (line types the host uses): one word.
struct ValuePacket {
  int32_t value = 4;  // u16
  int32_t size = 6;
};
constexpr ValuePacket kValue;

// Graphics 41: the pen width in inches.
struct PenWidthPacket {
  int32_t inches = 4;  // f64
  int32_t size = 12;
};
constexpr PenWidthPacket kPenWidth;

// Graphics 43: the line types the host's model has.
struct ModelLineTypesPacket {
  int32_t lineTypes = 8;  // u8
  int32_t size = 9;
};
constexpr ModelLineTypesPacket kModelLineTypes;

// A polygon's vertex: two u16 host coordinates.
constexpr int32_t kVertexX = 0;
constexpr int32_t kVertexY = 2;
constexpr int32_t kVertexSize = 4;

// Graphics 33: a polygon whose vertices follow in the packet.
struct PolygonInlinePacket {
  int32_t pen = 6;     // i16
  int32_t count = 10;  // i16
  int32_t vertices = 12;
};
constexpr PolygonInlinePacket kPolygonInline;

// Graphics 54: a polygon whose vertices the host keeps at an address.
struct PolygonAtPacket {
  int32_t pen = 4;    // i16
  int32_t count = 6;  // i16
  int32_t vertices = 8;
  int32_t size = 8 + kAddressSize;
};
constexpr PolygonAtPacket kPolygonAt;

// Graphics 46 (the main dialog), 47 (the host's plot area) and 48 (the paper
// list): the plot area in inches and the host units per inch.
struct PlotAreaPacket {
  int32_t hostFlags = 5;  // u32
  int32_t length = 9;     // f64
  int32_t width = 17;
  int32_t largestLength = 25;
  int32_t largestWidth = 33;
  int32_t unitsAlongLength = 41;
  int32_t unitsAlongWidth = 49;
  int32_t areaName = 73;  // "MAX" when the largest area is answered
  int32_t configureSize = 267;
  int32_t plotAreaSize = 140;
  int32_t paperListSize = 141;
};
constexpr PlotAreaPacket kPlotArea;

// Graphics 52: an image, fetched strip by strip through the host's two entry
// points. The entry points and the image reference are addresses.
struct ImagePacket {
  int32_t fetchStrip, releaseStrip, imageRef;
  int32_t left, bottom, right, top;  // i32, drawing units
  int32_t imageType, pixelWidth, pixelHeight;
  int32_t transparent, colourClass, colourIndex;  // i16
  int32_t hostParameters;                         // 72 bytes, handed back in every strip request
  int32_t handled;                                // u16: the driver writes 1
  int32_t size;                                   // what the driver keeps of the packet
};
constexpr int32_t kHostParametersSize = 72;
constexpr ImagePacket kImagePacket32{0x04, 0x08, 0x0C, 0x10, 0x14, 0x18, 0x1C, 0x20,
                                     0x24, 0x28, 0x2C, 0x2E, 0x30, 0x32, 0x7A, 0x7C};
constexpr ImagePacket kImagePacket64{0x08, 0x10, 0x18, 0x20, 0x24, 0x28, 0x2C, 0x30,
                                     0x34, 0x38, 0x3C, 0x3E, 0x40, 0x42, 0x8A, 0x8C};
constexpr ImagePacket kImage = kWideAddresses ? kImagePacket64 : kImagePacket32;

// What the driver asks the host's fetchStrip for: one strip of pixels, a row
// or a column. The image reference is an address; the fields behind it move
// by the 4 bytes it grows.
struct StripRequestLayout {
  int32_t firstColumn, firstRow, lastColumn, lastRow;  // i32, pixels
  int32_t left, bottom, right, top;                    // i32, drawing units
  int32_t imageRef;
  int32_t bitsPerChannel;  // i32: 8 colour, 1 two-level
  int32_t shape;           // i32: kStripsAreRows or kStripsAreColumns
  int32_t bitsPerPixel;    // i16: 24 or 1
  int32_t channelMaxima;   // 3 bytes (colour), or a u16 0 (two-level)
  int32_t channelOrder;    // 3 bytes
  int32_t setColour;       // i16: a two-level image's colour index
  int32_t zero, zeroShort, one;
  int32_t hostParameters;
  int32_t size;
};
constexpr StripRequestLayout kStripRequest32{0x00, 0x04, 0x08, 0x0C, 0x10, 0x14, 0x18,
                                             0x1C, 0x20, 0x24, 0x28, 0x2E, 0x30, 0x34,
                                             0x38, 0x40, 0x44, 0x46, 0x48, 0x90};
constexpr StripRequestLayout kStripRequest64{0x00, 0x04, 0x08, 0x0C, 0x10, 0x14, 0x18,
                                             0x1C, 0x20, 0x28, 0x2C, 0x32, 0x34, 0x38,
                                             0x3C, 0x44, 0x48, 0x4A, 0x4C, 0x98};
constexpr StripRequestLayout kStripRequest = kWideAddresses ? kStripRequest64 : kStripRequest32;
constexpr int32_t kStripsAreRows = 2;
constexpr int32_t kStripsAreColumns = 7;

// What fetchStrip returns the address of: the strip's pixels and their count,
// and the flags that end or abandon the image.
struct StripResultLayout {
  int32_t pixels;     // address
  int32_t byteCount;  // i32
  int32_t stop;       // i16
  int32_t error;      // i16
  int32_t size;
};
constexpr StripResultLayout kStripResult32{0x00, 0x04, 0x0C, 0x0E, 0x10};
constexpr StripResultLayout kStripResult64{0x00, 0x08, 0x10, 0x12, 0x18};
constexpr StripResultLayout kStripResult = kWideAddresses ? kStripResult64 : kStripResult32;

// The 40-byte configuration record the host stores between runs, the same on
// every build: little-endian, every field at its natural alignment.
struct RecordLayout {
  int32_t copies = 0;          // i32
  int32_t paperSize = 4;       // i32, 1-based
  int32_t customLength = 8;    // i32, millimetres
  int32_t mediaType = 12;      // i16
  int32_t finishProgram = 14;  // i16
  int32_t finishMargins = 16;  // i16
  int32_t finishBin = 18;      // i16
  int32_t redPen = 20;         // i32
  int32_t reserved24 = 24;     // i16
  int32_t margin = 26;         // i16, millimetres
  int32_t plotFlags = 28;      // u16
  int32_t jobFlags = 30;       // u16
  int32_t modelIndex = 32;     // i16
  int32_t toneLevels = 34;     // 5 bytes
  int32_t reserved39 = 39;     // u8
  int32_t size = 40;
};
constexpr RecordLayout kRecord;

// plotFlags
constexpr uint16_t kPlotSerialPort = 0x0001;
constexpr uint16_t kPlotHandshakeMask = 0x0300;
constexpr uint16_t kPlotHandshakeXonXoff = 0x0000;
constexpr uint16_t kPlotHandshakeHardware = 0x0100;
constexpr uint16_t kPlotHalftoneFill = 0x1000;
constexpr uint16_t kPlotEightBitEncoding = 0x2000;

// jobFlags
constexpr uint16_t kJobRedPrinting = 0x0010;
constexpr uint16_t kJobQdrsOutput = 0x0040;
constexpr uint16_t kJobManualOutput = 0x0080;
constexpr uint16_t kJobResolutionMask = 0x0F00;
constexpr uint16_t kJob600Dpi = 0x0100;
constexpr uint16_t kJob400Dpi = 0x0200;
constexpr uint16_t kJob300Dpi = 0x0400;
constexpr uint16_t kJob200Dpi = 0x0800;
constexpr uint16_t kJobLongSheet = 0x1000;
