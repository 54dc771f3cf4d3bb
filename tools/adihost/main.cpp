// adihost: plots drawings through the plotter driver, loaded from its library
// file exactly as a CAD host loads it, and delivers the printer job.
#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "tools/dialogbot/dialogbot.h"
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "host/protocol.h"
#include "tools/adihost/host_text.h"
#include "tools/adihost/job_file.h"
#include "tools/adihost/options.h"
#include "tools/adihost/plot_input.h"
#include "tools/host/conversation.h"
#include "tools/host/driver_library.h"
#include "tools/host/image_host.h"
#if defined(ADIHOST_WITH_PREVIEW)
#include "tools/jobview/render.h"
#endif
#include "tools/host/send.h"
#include "tools/host/settings.h"
#if defined(ADIHOST_WITH_DXF)
#include "tools/adihost/drawing_writer.h"
#include "tools/adihost/image_check.h"
#endif

namespace {

// Where the driver's text lines and adihost's own reports go.
std::FILE* messages = stdout;
bool verbose = false;
bool progressShown = false;
bool lineOpen = false;  // the driver's last text did not end its line
JobFile job;
// The job's first bytes, where its header shows which settings it took.
std::string jobStart;
constexpr size_t kJobStartKept = 4096;
std::string recordPath;

void Report(const std::string& text) {
  if (progressShown) std::fputs("\r\x1b[K", stderr);
  progressShown = false;
  std::fprintf(stderr, "adihost: %s\n", text.c_str());
}

void Progress(const std::string& text) {
  std::fprintf(stderr, "\radihost: %s\x1b[K", text.c_str());
  progressShown = true;
}

void PrintLine(const char* line) {
  const std::string_view text = line;
  PrintWindows1252(messages, text);
  std::fflush(messages);
  if (!text.empty()) lineOpen = text.back() != '\n';
}

void ShowControl(const char* text) {
  if (verbose) Report("device control: " + Windows1252ToTerminal(Visible(text)));
}

int32_t WriteJob(const char* bytes, int32_t count) {
  if (jobStart.size() < kJobStartKept)
    jobStart.append(bytes, std::min<size_t>(count, kJobStartKept - jobStart.size()));
  return std::fwrite(bytes, 1, static_cast<size_t>(count), job.file) ==
                     static_cast<size_t>(count) &&
                 std::fflush(job.file) == 0
             ? 1
             : 0;
}

void SaveRecord(const RecordBytes& record) {
  if (recordPath.empty()) return;
  std::ofstream out(recordPath, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(record.data()), kRecord.size);
  if (!out.flush()) {
    Report(recordPath + ": cannot save the settings record");
  } else if (verbose) {
    Report("settings record saved to " + recordPath);
  }
}

void ShowSwap(int32_t value, int32_t answer) {
  if (verbose)
    Report("swap setting: driver asked " + std::to_string(value) + ", answered " +
           std::to_string(answer));
}

void ShowStripProgress(int32_t strip, int32_t fetches) {
  if (fetches % 64 == 0)
    Progress("image strips: " + std::to_string(fetches) + " (strip " + std::to_string(strip) + ")");
}

// What the job holds, in one line.
std::string JobSummary(size_t bytes, const std::vector<Request>& requests) {
  size_t strokes = 0, polygons = 0, images = 0;
  for (const Request& r : requests) {
    strokes += r.kind == RequestKind::Move || r.kind == RequestKind::Draw;
    polygons += r.kind == RequestKind::Polygon || r.kind == RequestKind::PolygonInline;
    images += r.kind == RequestKind::Image;
  }
  const bool qdrs = (ReadU16(hostLog.storedRecord.data(), kRecord.jobFlags) & kJobQdrsOutput) != 0;
  return std::to_string(bytes) + " bytes of " + (qdrs ? "QDRS+MMR" : "RTL/GL2") + " from " +
         std::to_string(requests.size()) + " requests: " + std::to_string(strokes) +
         " moves and draws, " + std::to_string(polygons) + " filled polygons, " +
         std::to_string(images) + " raster images";
}

// The job as the printer will print it, beside the job: drawn from the file
// just written, so the picture shows the job and not the drawing it came from.
// What the preview does not understand is reported, and the picture stands.
int32_t WritePreview(const Options& o) {
#if defined(ADIHOST_WITH_PREVIEW)
  if (PreviewJobFile("adihost", o.output, o.preview, PreviewOptions{}, stderr) == 2) return -1;
  Report(o.preview + ": the job's preview");
  return 0;
#else
  Report("--preview: this build has no preview; run jobview on " + o.output);
  return -1;
#endif
}

// --version and --list-papers: what the program and its driver are.
int ShowDriverFacts(const Options& o, const char* argv0) {
  if (o.version) std::printf("adihost %s\n", kAdihostVersion);
  std::string error;
  const std::string path = o.driver.empty() ? DefaultDriverPath(argv0) : o.driver;
  PladiFn pladi = LoadDriverLibrary(path, error);
  if (pladi == nullptr) {
    Report(error);
    return o.listPapers ? kExitPlotFailed : kExitOk;
  }
  const DriverLink driver = ConnectDriver(pladi);
  if (o.version) std::printf("driver: %s\n", Windows1252ToTerminal(DriverName(driver)).c_str());
  if (!o.listPapers) return kExitOk;
  const std::vector<std::string> names = DriverPaperNames(driver);
  for (size_t i = 0; i < names.size(); ++i)
    std::printf("%2zu  %s\n", i + 1, Windows1252ToTerminal(names[i]).c_str());
  return kExitOk;
}

// Every output must be a file of its own, neither the input nor another output.
int RefuseClashingFiles(const Options& o) {
  const std::string clash = FindClash({{"input", o.input}}, {{"-o", o.output},
                                                             {"--preview", o.preview},
                                                             {"--dump-requests", o.dump},
                                                             {"--record", o.record}});
  if (clash.empty()) return 0;
  Report(clash);
  return kExitUsage;
}

// The record file: its bytes are what the host hands the driver.
int LoadRecord(const Options& o) {
  ResetHostLog();
  recordPath = o.record;
  if (o.record.empty()) return 0;
  std::ifstream in(o.record, std::ios::binary);
  if (!in.is_open()) return 0;  // made with the driver's defaults
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() != static_cast<size_t>(kRecord.size)) {
    Report(o.record + ": not a settings record (" + std::to_string(bytes.size()) +
           " bytes, not 40)");
    return kExitBadInput;
  }
  std::memcpy(hostLog.storedRecord.data(), bytes.data(), kRecord.size);
  hostLog.haveStoredRecord = true;
  return 0;
}

// The dialogs' scripted user reads its script from a file named in the
// environment; the file is removed when adihost ends.
struct DialogScriptFile {
  std::string path;
  ~DialogScriptFile() {
    if (!path.empty()) std::remove(path.c_str());
  }
};

void PrepareDialogs(const Options& o, DialogScriptFile& file) {
  std::string script;
  if (o.language == "qdrs") script = CancellingDialogScript();
  if (o.settings.Any()) script = DialogScriptFor(o.settings);
#if defined(_WIN32)
  // On Win32 the dialogs are real windows: the robot plays the same script
  // against them (and closes with OK any dialog the script does not name).
  (void)file;
  DialogBotStart(script);
#else
  if (script.empty()) return;
  std::error_code ignored;
  file.path = (std::filesystem::temp_directory_path(ignored) /
               ("adihost-dialogs-" + std::to_string(getpid()) + ".txt"))
                  .string();
  std::ofstream(file.path, std::ios::binary | std::ios::trunc) << script;
  setenv("TRNKV_DIALOG_SCRIPT", file.path.c_str(), 1);
#endif
}

void ConnectSinks(const Options& o) {
  hostLog.writeSink = &WriteJob;
  hostLog.printSink = &PrintLine;
  hostLog.controlSink = &ShowControl;
  hostLog.saveSink = &SaveRecord;
  hostLog.swapSink = &ShowSwap;
  hostLog.failWriteAt = o.failWrite;
  hostLog.failAllWritesFrom = o.failWrite > 0;
  if (isatty(fileno(stderr)) != 0) imageSource.progress = &ShowStripProgress;
}

// The binary language is reached only through a stored record that asks for
// it, at a resolution it has, while every dialog is cancelled.
void AskForBinaryLanguage() {
  uint16_t flags = ReadU16(hostLog.storedRecord.data(), kRecord.jobFlags);
  flags = static_cast<uint16_t>(flags | kJobQdrsOutput);
  const uint16_t resolution = flags & kJobResolutionMask;
  if (resolution != kJob400Dpi && resolution != kJob200Dpi)
    flags = static_cast<uint16_t>((flags & ~kJobResolutionMask) | kJob400Dpi);
  WriteU16(hostLog.storedRecord.data(), kRecord.jobFlags, flags);
  SaveRecord(hostLog.storedRecord);
}

// The host's conversation up to the plot: the sheet, and the settings the
// dialogs refused. 0, or the exit code after a message.
int Converse(const DriverLink& driver, const Options& o, SheetArea& area,
             std::vector<std::string>& refused) {
  ConversationResult start = HostHandshake(driver);
  if (start.failedRequest == 0 && o.language == "qdrs") {
    AskForBinaryLanguage();
    start = HostHandshake(driver);
  }
  if (start.failedRequest != 0) {
    Report("the driver refused control request " + std::to_string(start.failedRequest));
    return kExitPlotFailed;
  }
  const RecordBytes recordBefore = hostLog.storedRecord;
  DrawingStartOptions startOptions;
  startOptions.configure = o.configure || o.settings.Any();
  startOptions.summary = o.summary;
  startOptions.legend = o.legend;
  const ConversationResult drawing = HostDrawingStart(driver, start.area, startOptions);
  if (drawing.failedRequest != 0) {
    Report("the driver refused graphics request " + std::to_string(drawing.failedRequest));
    return kExitPlotFailed;
  }
  area = drawing.area;
  if (o.settings.Any()) {
    refused = SettingsNotApplied(o.settings, recordBefore, hostLog.storedRecord);
    for (const std::string& s : SettingsApproximated(o.settings, hostLog.storedRecord)) Report(s);
  }
  return 0;
}

// The drawing's requests for the sheet; what could not be plotted is listed
// once, each with its count. 0, or the exit code after a message.
int DrawingRequests(PlotInput& input, const Options& o, const SheetArea& area) {
#if defined(ADIHOST_WITH_DXF)
  if (!input.isDxf) return 0;
  std::map<std::string, int32_t> notes = input.drawing.unsupported;
  Placement placement;
  placement.ratio = o.scale;
  std::string error;
  if (WriteDrawingRequests(input.drawing, area, placement, input.requests, notes, error) < 0) {
    Report(o.input + ": " + error);
    return kExitBadInput;
  }
  DropUnreadableImages(input.requests, notes);
  for (const auto& [what, count] : notes)
    Report(o.input + ": not plotted as drawn: " + what + ": " + std::to_string(count));
#else
  (void)input, (void)o, (void)area;
#endif
  return 0;
}

// The requests played into the job file. 0, or the exit code after a message.
int PlayIntoJob(const DriverLink& driver, const Options& o, const std::vector<Request>& requests) {
  std::string error;
  if (JobOpen(o.output, job, error) < 0) {
    Report(error);
    return kExitPlotFailed;
  }
  const auto fail = [&](const std::string& why, int code) {
    Report(why);
    JobAbandon(job);
    return code;
  };
  if (o.probe) {
    const std::string bytes = ProbeDriver(driver);
    if (WriteJob(bytes.data(), static_cast<int32_t>(bytes.size())) == 0)
      return fail(o.output + ": cannot write", kExitPlotFailed);
  } else {
    if (isatty(fileno(stderr)) != 0 && requests.size() > 5000)
      Progress(std::to_string(requests.size()) + " requests");
    const int32_t failed = PlayRequests(driver, requests, error);
    if (failed >= 0 && requests[failed].kind == RequestKind::Image && !error.empty() &&
        error.find("refused") == std::string::npos)
      return fail(error, kExitBadInput);
    if (failed >= 0)
      return fail((requests[failed].line > 0
                       ? o.input + ": line " + std::to_string(requests[failed].line) + ": "
                       : "") +
                      error,
                  kExitPlotFailed);
  }
  // A failed final flush is not answered with a failure status: every host
  // write that was not taken counts.
  if (hostLog.writeSizes.size() != static_cast<size_t>(hostLog.writeCalls))
    return fail(o.output + ": a write failed; the job is incomplete", kExitPlotFailed);
  if (lineOpen) std::fputs("\n", messages);
  if (JobCommit(job, error) < 0) {
    Report(error);
    return kExitPlotFailed;
  }
  return 0;
}

// A label the dialog refused never reaches the job's header, the only place
// it is kept.
void CheckLabel(const Options& o, std::vector<std::string>& refused) {
  if (!o.settings.haveLabel || o.settings.label.empty()) return;
  if (jobStart.find("BP1,\"" + o.settings.label + "\",") == std::string::npos)
    refused.push_back("--label " + o.settings.label);
}

// The preview and the delivery of a written job. The exit code.
int Deliver(const Options& o, const std::vector<Request>& requests,
            std::vector<std::string> refused) {
  size_t bytes = 0;
  for (int32_t n : hostLog.writeSizes) bytes += static_cast<size_t>(n);
  if (o.output != "-") Report(o.output + ": " + JobSummary(bytes, requests));
  if (!o.probe) CheckLabel(o, refused);
  for (const std::string& s : refused) Report("setting not applied: " + s);
  if (!o.preview.empty() && WritePreview(o) < 0) return kExitPlotFailed;
  if (!o.send.empty()) {
    std::string error;
    if (SendJobFile(o.send, o.output, o.timeout, error) < 0) {
      Report(error + "; the job is kept in " + o.output);
      return kExitSendFailed;
    }
    Report("sent " + o.output + " to " + o.send);
  }
  return refused.empty() ? kExitOk : kExitSettingRefused;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // No line-end translation, so that both builds print the same bytes. The
  // console's code page is the user's and stays as it is.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#else
  // The driver's messages are shown in the terminal's character set.
  std::setlocale(LC_CTYPE, "");
#endif
  Options o;
  if (const int code = ParseOptions(argc, argv, o)) return code;
  if (o.listPapers || o.version) return ShowDriverFacts(o, argv[0]);
  if (const int code = RefuseClashingFiles(o)) return code;
  verbose = o.verbose;
  if (o.output == "-") messages = stderr;

  // Read the input first: a bad drawing is reported before anything is written.
  PlotInput input;
  std::string error;
  if (!o.probe && ReadPlotInput(o.input, input, error) < 0) {
    Report(o.input + ": " + error);
    return kExitBadInput;
  }
  if (const int code = LoadRecord(o)) return code;
  DialogScriptFile dialogScript;
  PrepareDialogs(o, dialogScript);
  PladiFn pladi =
      LoadDriverLibrary(o.driver.empty() ? DefaultDriverPath(argv[0]) : o.driver, error);
  if (pladi == nullptr) {
    Report(error);
    return kExitPlotFailed;
  }
  ConnectSinks(o);
  const DriverLink driver = ConnectDriver(pladi);
  SheetArea area;
  std::vector<std::string> refused;
  if (const int code = Converse(driver, o, area, refused)) return code;
  if (!o.probe) {
    if (const int code = DrawingRequests(input, o, area)) return code;
    // Nothing on the sheet is no plot: no job is written.
    if (!PlotsAnything(input.requests)) {
      char scale[40];
      std::snprintf(scale, sizeof scale, " on the sheet at 1:%g", o.scale);
      Report(o.input + ": nothing to plot" + (input.isDxf && o.scale > 0 ? scale : ""));
      return kExitBadInput;
    }
    // The tone curve shapes raster images only.
    if (o.settings.AnyTone() &&
        std::none_of(input.requests.begin(), input.requests.end(),
                     [](const Request& r) { return r.kind == RequestKind::Image; }))
      Report(o.input + ": the tone settings change raster images only, and there are none");
    if (!o.dump.empty() && DumpRequests(o.dump, input.requests, error) < 0) {
      Report(error);
      return kExitPlotFailed;
    }
  }
  if (const int code = PlayIntoJob(driver, o, input.requests)) return code;
  return Deliver(o, input.requests, refused);
}
