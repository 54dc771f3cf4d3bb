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
#include <sstream>
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
#include "tools/adihost/options.h"
#include "tools/adihost/raster_file.h"
#include "tools/host/conversation.h"
#include "tools/host/driver_library.h"
#include "tools/host/image_host.h"
#if defined(ADIHOST_WITH_PREVIEW)
#include "tools/jobview/render.h"
#endif
#include "tools/adihost/request_script.h"
#include "tools/host/send.h"
#include "tools/host/settings.h"
#if defined(ADIHOST_WITH_DXF)
#include "tools/adihost/drawing_writer.h"
#endif

namespace {

// Where the driver's text lines and adihost's own reports go.
std::FILE* messages = stdout;
bool verbose = false;
bool progressShown = false;
std::FILE* job = nullptr;
std::string recordPath;

void Report(const std::string& text) {
  if (progressShown) std::fputs("\r\x1b[K", stderr);
  progressShown = false;
  std::fprintf(stderr, "adihost: %s\n", text.c_str());
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

void Progress(const std::string& text) {
  std::fprintf(stderr, "\radihost: %s\x1b[K", text.c_str());
  progressShown = true;
}

bool lineOpen = false;  // the driver's last text did not end its line

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
  return std::fwrite(bytes, 1, static_cast<size_t>(count), job) == static_cast<size_t>(count) &&
                 std::fflush(job) == 0
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

bool EndsWith(const std::string& s, const std::string& tail) {
  if (s.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i])
      return false;
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string ProgramFolder(const char* argv0) {
#if defined(_WIN32)
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? FolderOf(path) : FolderOf(argv0);
#else
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return FolderOf(argv0);
  path[n] = '\0';
  return FolderOf(path);
#endif
}

// The driver beside adihost, as in a build folder; else, for an installed
// adihost, the library where it was installed (a path from adihost's folder).
std::string DefaultDriverPath(const char* argv0) {
#if defined(_WIN32)
  const char* name = "trnkv_p.dll";
#else
  const char* name = "trnkv_p.so";
#endif
  const std::string folder = ProgramFolder(argv0);
  const std::string beside = (folder.empty() ? "" : folder + "/") + name;
#if defined(TRNKV_INSTALLED_DRIVER)
  std::error_code ignored;
  if (!std::filesystem::exists(beside, ignored))
    return (folder.empty() ? "" : folder + "/") + TRNKV_INSTALLED_DRIVER;
#endif
  return beside;
}

std::string ReadWholeFile(const std::string& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  ok = in.good() || in.eof();
  if (!in.is_open()) ok = false;
  return text.str();
}

// Writes the request script, with every image converted to netpbm beside it.
int32_t DumpRequests(const std::string& path, std::vector<Request> requests, std::string& error) {
  const std::string folder = FolderOf(path);
  std::string stem = path.substr(path.find_last_of("/\\") + 1);
  if (stem.rfind('.') != std::string::npos && stem.rfind('.') > 0) stem.resize(stem.rfind('.'));
  int32_t count = 0;
  std::vector<std::pair<std::string, std::string>> converted;
  for (Request& r : requests) {
    if (r.kind != RequestKind::Image) continue;
    std::string name;
    for (const auto& [from, to] : converted)
      if (from == r.file) name = to;
    if (name.empty()) {
      RasterPixels pixels;
      if (ReadRasterFile(r.file, pixels, error) < 0) return error = r.file + ": " + error, -1;
      name = stem + "-image" + std::to_string(++count) + (pixels.colour ? ".ppm" : ".pbm");
      // A netpbm file has no alpha: the script line carries the transparency.
      if (pixels.transparent) r.transparent = true;
      if (WriteNetpbm((folder.empty() ? "" : folder + "/") + name, pixels) < 0)
        return error = name + ": cannot write", -1;
      converted.emplace_back(r.file, name);
    }
    r.file = name;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "# adihost request script\n" << FormatRequestScript(requests);
  if (!out.flush()) return error = path + ": cannot write", -1;
  return 0;
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
  verbose = o.verbose;
  if (o.output == "-") messages = stderr;
  const bool progress = isatty(fileno(stderr)) != 0;

  // Read the input first: a bad drawing is reported before anything is written.
  std::vector<Request> requests;
  std::string error;
  const bool isDxf = EndsWith(o.input, ".dxf");
#if defined(ADIHOST_WITH_DXF)
  Drawing drawing;
  if (isDxf && ReadDxfFile(o.input, drawing, error) < 0) {
    Report(o.input + ": " + error);
    return kExitBadInput;
  }
#else
  if (isDxf) {
    Report(o.input +
           ": DXF drawings are read by the Linux build; write them as a request "
           "script there with --dump-requests");
    return kExitBadInput;
  }
#endif
  if (!isDxf && !o.probe) {
    bool ok = false;
    const std::string text = ReadWholeFile(o.input, ok);
    if (!ok) {
      Report(o.input + ": " + std::strerror(errno ? errno : ENOENT));
      return kExitBadInput;
    }
    if (ParseRequestScript(text, FolderOf(o.input), requests, error) < 0) {
      Report(o.input + ": " + error);
      return kExitBadInput;
    }
  }

  // The record file: its bytes are what the host hands the driver.
  ResetHostLog();
  recordPath = o.record;
  if (!o.record.empty()) {
    bool ok = false;
    const std::string bytes = ReadWholeFile(o.record, ok);
    if (ok && bytes.size() == static_cast<size_t>(kRecord.size)) {
      std::memcpy(hostLog.storedRecord.data(), bytes.data(), kRecord.size);
      hostLog.haveStoredRecord = true;
    } else if (ok) {
      Report(o.record + ": not a settings record (" + std::to_string(bytes.size()) +
             " bytes, not 40)");
      return kExitBadInput;
    }
  }

  // The dialogs' scripted user reads its script from a file named in the environment.
  std::string dialogScript;
  if (o.language == "qdrs") dialogScript = CancellingDialogScript();
  if (o.settings.Any()) dialogScript = DialogScriptFor(o.settings);
  std::string scriptPath;
#if !defined(_WIN32)
  if (!dialogScript.empty()) {
    std::error_code ignored;
    scriptPath = (std::filesystem::temp_directory_path(ignored) /
                  ("adihost-dialogs-" + std::to_string(getpid()) + ".txt"))
                     .string();
    std::ofstream(scriptPath, std::ios::binary | std::ios::trunc) << dialogScript;
    setenv("TRNKV_DIALOG_SCRIPT", scriptPath.c_str(), 1);
  }
#endif
  struct RemoveScript {
    std::string path;
    ~RemoveScript() {
      if (!path.empty()) std::remove(path.c_str());
    }
  } removeScript{scriptPath};

  const std::string driverPath = o.driver.empty() ? DefaultDriverPath(argv[0]) : o.driver;
#if defined(_WIN32)
  // On Win32 the dialogs are real windows: the robot plays the same script
  // against them (and closes with OK any dialog the script does not name).
  DialogBotStart(dialogScript);
#endif
  PladiFn pladi = LoadDriverLibrary(driverPath, error);
  if (pladi == nullptr) {
    Report(error);
    return kExitPlotFailed;
  }

  if (o.output == "-") {
    job = stdout;
  } else {
    job = std::fopen(o.output.c_str(), "wb");
    if (job == nullptr) {
      Report(o.output + ": " + std::strerror(errno));
      return kExitPlotFailed;
    }
  }
  // Only a plain file is removed after a failure, never a device or a pipe.
  std::error_code ignored;
  const bool removable = job != stdout && std::filesystem::is_regular_file(o.output, ignored);
  const auto fail = [&](const std::string& why) {
    Report(why);
    if (job != stdout) std::fclose(job);
    if (removable) std::remove(o.output.c_str());
    return kExitPlotFailed;
  };

  hostLog.writeSink = &WriteJob;
  hostLog.printSink = &PrintLine;
  hostLog.controlSink = &ShowControl;
  hostLog.saveSink = &SaveRecord;
  hostLog.swapSink = &ShowSwap;
  hostLog.failWriteAt = o.failWrite;
  hostLog.failAllWritesFrom = o.failWrite > 0;
  if (progress) imageSource.progress = &ShowStripProgress;

  const DriverLink driver = ConnectDriver(pladi);
  ConversationResult start = HostHandshake(driver);
  if (start.failedRequest == 0 && o.language == "qdrs") {
    // The binary language is reached only through a stored record that asks
    // for it, at a resolution it has, while every dialog is cancelled.
    uint16_t flags = ReadU16(hostLog.storedRecord.data(), kRecord.jobFlags);
    flags = static_cast<uint16_t>(flags | kJobQdrsOutput);
    const uint16_t resolution = flags & kJobResolutionMask;
    if (resolution != kJob400Dpi && resolution != kJob200Dpi)
      flags = static_cast<uint16_t>((flags & ~kJobResolutionMask) | kJob400Dpi);
    WriteU16(hostLog.storedRecord.data(), kRecord.jobFlags, flags);
    SaveRecord(hostLog.storedRecord);
    start = HostHandshake(driver);
  }
  if (start.failedRequest != 0)
    return fail("the driver refused control request " + std::to_string(start.failedRequest));
  const RecordBytes recordBefore = hostLog.storedRecord;
  DrawingStartOptions startOptions;
  startOptions.configure = o.configure || o.settings.Any();
  startOptions.summary = o.summary;
  startOptions.legend = o.legend;
  const ConversationResult drawingStart = HostDrawingStart(driver, start.area, startOptions);
  if (drawingStart.failedRequest != 0)
    return fail("the driver refused graphics request " +
                std::to_string(drawingStart.failedRequest));
  std::vector<std::string> refused;
  if (o.settings.Any()) {
    refused = SettingsNotApplied(o.settings, recordBefore, hostLog.storedRecord);
    for (const std::string& s : refused) Report("setting not applied: " + s);
    for (const std::string& s : SettingsApproximated(o.settings, hostLog.storedRecord)) Report(s);
  }

  if (o.probe) {
    const std::string bytes = ProbeDriver(driver);
    if (WriteJob(bytes.data(), static_cast<int32_t>(bytes.size())) == 0)
      return fail(o.output + ": cannot write");
  } else {
#if defined(ADIHOST_WITH_DXF)
    if (isDxf) {
      std::map<std::string, int32_t> notes = drawing.unsupported;
      Placement placement;
      placement.ratio = o.scale;
      if (WriteDrawingRequests(drawing, drawingStart.area, placement, requests, notes, error) < 0) {
        fail(o.input + ": " + error);
        return kExitBadInput;
      }
      // What could not be plotted is listed once, each with its count.
      for (const auto& [what, count] : notes)
        Report(o.input + ": not plotted as drawn: " + what + ": " + std::to_string(count));
      if (requests.size() <= 1) Report(o.input + ": nothing to plot");
    }
#endif
    // The tone curve shapes raster images only.
    if (o.settings.AnyTone() &&
        std::none_of(requests.begin(), requests.end(),
                     [](const Request& r) { return r.kind == RequestKind::Image; }))
      Report(o.input + ": the tone settings change raster images only, and there are none");
    if (!o.dump.empty() && DumpRequests(o.dump, requests, error) < 0) {
      Report(error);
      return kExitBadInput;
    }
    if (progress && requests.size() > 5000) Progress(std::to_string(requests.size()) + " requests");
    const int32_t failed = PlayRequests(driver, requests, error);
    if (failed >= 0 && requests[failed].kind == RequestKind::Image && !error.empty() &&
        error.find("refused") == std::string::npos) {
      fail(error);
      return kExitBadInput;
    }
    if (failed >= 0) {
      const std::string where =
          requests[failed].line > 0
              ? o.input + ": line " + std::to_string(requests[failed].line) + ": "
              : "";
      return fail(where + error);
    }
  }
  // A failed final flush is not answered with a failure status: every host
  // write that was not taken counts.
  if (hostLog.writeSizes.size() != static_cast<size_t>(hostLog.writeCalls))
    return fail(o.output + ": a write failed; the job is incomplete");
  if (lineOpen) std::fputs("\n", messages);
  if (job != stdout && std::fclose(job) != 0) {
    job = stdout;
    return fail(o.output + ": " + std::strerror(errno));
  }
  if (job == stdout) std::fflush(stdout);
  std::size_t bytes = 0;
  for (int32_t n : hostLog.writeSizes) bytes += static_cast<size_t>(n);
  if (o.output != "-") Report(o.output + ": " + JobSummary(bytes, requests));
  if (!o.preview.empty() && WritePreview(o) < 0) return kExitPlotFailed;

  if (!o.send.empty()) {
    if (SendJobFile(o.send, o.output, o.timeout, error) < 0) {
      Report(error + "; the job is kept in " + o.output);
      return kExitSendFailed;
    }
    Report("sent " + o.output + " to " + o.send);
  }
  return refused.empty() ? kExitOk : kExitSettingRefused;
}
