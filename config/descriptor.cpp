#include "config/descriptor.h"

#include "config/device_tables.h"

namespace {

constexpr const char* kDriverName = "Kalvo 7410/7420 Wide Format [Ver. 3.1.0] ADI 4.3 ";
// The interface the driver speaks, ADI 4.3, and the host release it names.
constexpr uint16_t kInterfaceMajor = 4;
constexpr uint16_t kInterfaceMinor = 3;
constexpr const char* kRelease = "14.0-1";

constexpr uint16_t TextLength(const char* text) {
  uint16_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

constexpr void PutText(char* to, int size, const char* text) {
  for (int i = 0; i < size - 1 && text[i] != '\0'; ++i) to[i] = text[i];
}

// Appends text at *at and advances it; the callers' fields are large enough.
constexpr void Append(char* to, int& at, const char* text) {
  for (int i = 0; text[i] != '\0'; ++i) to[at++] = text[i];
}

constexpr void AppendNumber(char* to, int& at, int value) {
  char digits[12] = {};
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  while (n > 0) to[at++] = digits[--n];
}

// "Programa 7" and "Escaninho 7" are padded with blanks to a fixed width.
constexpr void PutNumberedEntry(FinishEntry& entry, const char* namePrefix, int nameWidth,
                                const char* linePrefix, int number) {
  int at = 0;
  Append(entry.name, at, namePrefix);
  AppendNumber(entry.name, at, number);
  while (at < nameWidth) entry.name[at++] = ' ';
  at = 0;
  Append(entry.pjlLine, at, linePrefix);
  AppendNumber(entry.pjlLine, at, number);
  Append(entry.pjlLine, at, "\r\n");
}

constexpr void PutFinish(FinishEntry& entry, const FinishData& data) {
  PutText(entry.name, sizeof entry.name, data.name);
  PutText(entry.pjlLine, sizeof entry.pjlLine, data.pjlLine);
}

constexpr DriverDescriptor BuildDescriptor() {
  DriverDescriptor d{};
  PutText(d.name, sizeof d.name, kDriverName);
  d.interfaceMajor = kInterfaceMajor;
  d.interfaceMinor = kInterfaceMinor;
  PutText(d.plotterNameVariable, sizeof d.plotterNameVariable, "$ACADPLNAME$");
  PutText(d.platform, sizeof d.platform, "Microsoft Windows Win32");
  d.releaseLength = TextLength(kRelease);
  PutText(d.release, sizeof d.release, kRelease);

  for (int m = 0; m < kModelCount; ++m) {
    const ModelData& data = kModels[m];
    ModelEntry& model = d.models[m];
    PutText(model.name, sizeof model.name, data.name);
    model.hasFinisher = data.hasFinisher;
    model.hasMediaTypes = data.hasMediaTypes;
    model.hasLabel = data.hasLabel;
    model.hasRedPrinting = data.hasRedPrinting;
    model.hasManualOutput = data.hasManualOutput;
    model.has600Dpi = data.has600Dpi;
    model.hasBinaryLanguage = data.hasBinaryLanguage;
  }

  // papers[0] is paper size 1 of model 0.
  for (int i = 0; i < static_cast<int>(kPaperSizes.size()); ++i) {
    const PaperData& data = kPaperSizes[i];
    PaperEntry& paper = d.papers[i];
    PutText(paper.name, sizeof paper.name, data.name);
    paper.sheetLength = data.sheetLength;
    paper.sheetWidth = data.sheetWidth;
    paper.allowsCustomLength = data.allowsCustomLength;
    paper.maxCustomLength = data.maxCustomLength;
  }

  for (int i = 0; i < static_cast<int>(kMediaTypes.size()); ++i) {
    PutText(d.media[i].name, sizeof d.media[i].name, kMediaTypes[i].name);
    PutText(d.media[i].command, sizeof d.media[i].command, kMediaTypes[i].command);
  }

  PutFinish(d.finishPrograms[0], kManualFeed);
  for (int n = 1; n < kFinishProgramCount; ++n)
    PutNumberedEntry(d.finishPrograms[n], kProgramNamePrefix, kProgramNameWidth, kProgramLinePrefix,
                     n);

  for (int i = 0; i < static_cast<int>(kFinishMargins.size()); ++i)
    PutFinish(d.finishMargins[i], kFinishMargins[i]);

  for (int i = 0; i < static_cast<int>(kNamedBins.size()); ++i)
    PutFinish(d.finishBins[i], kNamedBins[i]);
  for (int k = 1; k + 1 < kFinishBinCount; ++k)
    PutNumberedEntry(d.finishBins[k + 1], kBinNamePrefix, kBinNameWidth, kBinLinePrefix, k);
  return d;
}

}  // namespace

constinit DriverDescriptor driverDescriptor = BuildDescriptor();

void RestoreDeviceTables() {
  const auto control = driverDescriptor.controlHandler;
  const auto graphics = driverDescriptor.graphicsHandler;
  driverDescriptor = BuildDescriptor();
  driverDescriptor.controlHandler = control;
  driverDescriptor.graphicsHandler = graphics;
}
