#pragma once
// The host's side of the driver interface: the service table the driver calls
// back into, a record of everything the driver handed over (or the sinks that
// take it at once), and helpers that build request packets. adihost, the
// request fuzzer and the tests all drive the library through it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host/protocol.h"

// The record as the host stores it.
using RecordBytes = std::array<uint8_t, kRecord.size>;

struct HostLog {
  std::string output;                 // every byte written, in order
  std::vector<int32_t> writeSizes;    // one entry per write call
  std::vector<std::string> lines;     // printed message lines
  std::vector<std::string> controls;  // device-control strings
  int32_t writeCalls = 0;
  int32_t failWriteAt = 0;         // the k-th write (1-based) fails; 0 = none
  bool failAllWritesFrom = false;  // once failed, keep failing
  int32_t getCalls = 0, saveCalls = 0;
  int32_t getResult = 0, saveResult = 0;
  bool haveStoredRecord = false;
  RecordBytes storedRecord{};  // what the host keeps between runs
  std::vector<std::pair<int32_t, int32_t>> swapCalls;
  int32_t swapAnswer = 5;

  // When set, what the driver hands over goes here at once instead of into
  // the fields above. A write sink returns 0 when the bytes could not be kept.
  int32_t (*writeSink)(const char* bytes, int32_t count) = nullptr;
  void (*printSink)(const char* line) = nullptr;
  void (*controlSink)(const char* text) = nullptr;
  void (*saveSink)(const RecordBytes& record) = nullptr;
  void (*swapSink)(int32_t value, int32_t answer) = nullptr;
};

extern HostLog hostLog;

void ResetHostLog();
// The service table, slot n at byte n * kAddressSize.
WireAddress HostTableAddress();

struct DriverLink {
  const uint8_t* descriptor = nullptr;
  RequestHandler control = nullptr;
  RequestHandler graphics = nullptr;
};

DriverLink ConnectDriver(PladiFn pladi);

// A request packet; large enough for every request.
struct Packet {
  std::array<uint8_t, 4096> bytes{};
  uint8_t* data() { return bytes.data(); }
  uint16_t status() const { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }
};

Packet MakePacket(int16_t code);
// The packets the conversation sends on both handlers: the version check
// (control or graphics 49) as the expected host of the lowest release, and the
// handshake or configuration fetch (control 11, graphics 29) at the driver's
// interface level; and the paper list (graphics 48) asking for an area.
Packet VersionCheckPacket(int16_t code);
Packet HandshakePacket(int16_t code);
Packet PaperListPacket(double length, double width, double unitsPerInch, double unitsAcross);
uint16_t Control(const DriverLink& d, Packet& p);
uint16_t Graphics(const DriverLink& d, Packet& p);

// The bare conversation the unit tests hold before a plot: version check,
// messages, handshake, model query and plot set-up; then reset, messages,
// configuration fetch, paper list and the settings summary. adihost holds the
// host's whole conversation (tools/host/conversation.h).
void RunHandshake(const DriverLink& d);
void RunDrawingStart(const DriverLink& d);

uint16_t BeginPlot(const DriverLink& d);
uint16_t EndPlot(const DriverLink& d);
uint16_t MoveTo(const DriverLink& d, uint16_t x, uint16_t y);
uint16_t DrawTo(const DriverLink& d, uint16_t x, uint16_t y);
uint16_t LiftPen(const DriverLink& d);
uint16_t SelectPen(const DriverLink& d, uint16_t pen);
uint16_t SelectLineType(const DriverLink& d, uint16_t type);
uint16_t SetLineTypeCount(const DriverLink& d, int16_t count);
uint16_t SetPenWidth(const DriverLink& d, double inches);
uint16_t FillPolygon(const DriverLink& d, int16_t pen, const std::vector<uint16_t>& xy);
uint16_t FillPolygonAt(const DriverLink& d, int16_t pen, const std::vector<uint16_t>& xy);

// Stores a record in the host as if a previous run had saved it.
void StoreRecord(const uint8_t (&record)[kRecord.size]);
// Stores the record a user of the defaults would have saved; the binary
// language sets one bit of the job flags and a resolution it supports.
void StoreDefaultRecord(bool qdrs);
// The same record with the given job flags and copies.
void StoreSampleRecord(uint16_t jobFlags, uint32_t copies);
