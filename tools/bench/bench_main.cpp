// Runs every benchmark, then prints one table of our speed against the peers
// measured in the same run (medians of the repetitions) and writes it as JSON.
//
//   driver_bench [--table-json=FILE] [Google Benchmark flags]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct Median {
  double cpuSeconds = 0;  // per iteration
  std::map<std::string, double> counters;
};

// Keeps the median of every benchmark, by its name without the aggregate.
class MedianCollector : public benchmark::BenchmarkReporter {
 public:
  std::map<std::string, Median> medians;
  int32_t aggregates = 0;  // medians taken, to tell a table of medians from one of single runs
  bool ReportContext(const Context&) override { return true; }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      if (run.error_occurred) continue;
      Median m;
      m.cpuSeconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      for (const auto& [name, counter] : run.counters) m.counters[name] = counter.value;
      // A median, when there is one, takes the place of the single runs. Its
      // benchmark_name() carries "_median": the runs and their median are
      // told apart by the run's own name, which they share.
      const std::string name = run.run_name.str();
      if (run.run_type == Run::RT_Aggregate || medians.count(name) == 0) medians[name] = m;
      if (run.run_type == Run::RT_Aggregate) ++aggregates;
    }
  }
};

struct Row {
  std::string path;
  std::string ours;
  std::string peer;
  double ratio;
  std::string measure;  // what the ratio is
  double target;
  bool atLeast;  // the ratio must reach the target, else stay at or below it
};

std::string Format(const char* format, double a, double b = 0, double c = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

class Table {
 public:
  explicit Table(const std::map<std::string, Median>& m) : medians(m) {}
  std::vector<Row> rows;

  double Counter(const std::string& name, const char* counter) const {
    auto it = medians.find(name);
    if (it == medians.end()) return 0;
    auto c = it->second.counters.find(counter);
    return c != it->second.counters.end() ? c->second : 0;
  }
  double Rate(const std::string& name) const { return Counter(name, "items_per_second") / 1e6; }
  double Seconds(const std::string& name) const {
    auto it = medians.find(name);
    return it != medians.end() ? it->second.cpuSeconds : 0;
  }

  void Mmr(int page, const char* title) {
    const std::string arg = "/page:" + std::to_string(page);
    const double ours = Rate("BM_MmrOurs" + arg), tiff = Rate("BM_MmrLibtiff" + arg),
                 spandsp = Rate("BM_MmrSpandsp" + arg);
    const double best = tiff > spandsp ? tiff : spandsp;
    rows.push_back(
        {std::string("MMR coding, ") + title,
         Format("%.0f Mpx/s, %.0f bytes", ours, Counter("BM_MmrOurs" + arg, "coded_bytes")),
         Format("libtiff %.0f, spandsp %.0f Mpx/s; %.0f bytes", tiff, spandsp,
                Counter("BM_MmrLibtiff" + arg, "coded_bytes")) +
             Format(" / %.0f bytes", Counter("BM_MmrSpandsp" + arg, "coded_bytes")),
         best > 0 ? ours / best : 0, "speed / faster peer", 1.5, true});
  }

  void Screen(int twoLevel, int n) {
    const std::string name =
        "BM_ScreenOurs/twolevel:" + std::to_string(twoLevel) + "/n:" + std::to_string(n);
    const double ours = Rate(name);
    const double copy = Rate("BM_ScreenMemcpy/twolevel:" + std::to_string(twoLevel));
    const std::string title = std::string("Screening ") + (twoLevel ? "two-level" : "RGB") +
                              " strips, N = " + std::to_string(n);
    if (twoLevel == 0 && n == 1) {
      const double dither = Rate("BM_ScreenDitherLoop");
      rows.push_back({title, Format("%.0f Mpx/s", ours),
                      Format("ordered-dither loop over grey %.0f Mpx/s", dither),
                      dither > 0 ? ours / dither : 0, "speed / dither loop", 1.5, true});
      const double plain = Rate("BM_ScreenColourLoop");
      rows.push_back({title, Format("%.0f Mpx/s", ours),
                      Format("plain loop from RGB through the tone table %.0f Mpx/s", plain),
                      plain > 0 ? ours / plain : 0, "speed / plain RGB loop", 0, true});
    }
    rows.push_back({title, Format("%.0f Mpx/s", ours), Format("memcpy %.0f Mpx/s", copy),
                    copy > 0 ? ours / copy : 0, "speed / memcpy",
                    twoLevel == 0 && n == 1 ? 0.25 : 0, true});
  }

  void ScreenDrawing() {
    const double ours = Rate("BM_ScreenOurs/drawing:2/n:1");
    const double copy = Rate("BM_ScreenMemcpy/twolevel:0");
    rows.push_back({"Screening a drawing's grey RGB strips, N = 1", Format("%.0f Mpx/s", ours),
                    Format("memcpy %.0f Mpx/s", copy), copy > 0 ? ours / copy : 0, "speed / memcpy",
                    0, true});
  }

  void Image() {
    const double ours = Seconds("BM_ImageRequest"), tiff = Seconds("BM_ImageLibtiff");
    rows.push_back({"Image request, 16 x 12 in at 600 dpi", Format("%.0f ms", ours * 1000),
                    Format("libtiff G4 encode alone %.0f ms", tiff * 1000),
                    ours > 0 ? tiff / ours : 0, "speed / libtiff", 1.0, true});
    const double peak = Counter("BM_ImageRequest", "peak_heap_bytes");
    const double canvas = Counter("BM_ImageRequest", "canvas_bytes");
    rows.push_back({"Image request, peak heap", Format("%.2f MB", peak / 1e6),
                    Format("canvas %.2f MB", canvas / 1e6), canvas > 0 ? peak / canvas : 0,
                    "peak / canvas", 1.3, false});
  }

  void Vector(const char* kind, const char* title) {
    const std::string peer = std::string("BM_Snprintf") + kind;
    for (int qdrs = 0; qdrs < 2; ++qdrs) {
      const std::string name = std::string("BM_Vector") + kind + "/qdrs:" + std::to_string(qdrs);
      const std::string what = std::string(title) + (qdrs ? ", QDRS" : ", HP-GL/2");
      const double ours = Rate(name), theirs = Rate(peer);
      const double ourBytes = Counter(name, "bytes_per_segment");
      const double theirBytes = Counter(peer, "bytes_per_segment");
      rows.push_back({what, Format("%.1f M req/s", ours), Format("snprintf %.1f M req/s", theirs),
                      theirs > 0 ? ours / theirs : 0, "speed / snprintf", 3.0, true});
      rows.push_back({what, Format("%.2f bytes/segment", ourBytes),
                      Format("snprintf %.2f bytes/segment", theirBytes),
                      theirBytes > 0 ? ourBytes / theirBytes : 0, "bytes / snprintf", 0.4, false});
    }
  }

 private:
  const std::map<std::string, Median>& medians;
};

bool Met(const Row& r) {
  if (r.target == 0) return true;
  return r.atLeast ? r.ratio >= r.target : r.ratio <= r.target;
}

std::string Target(const Row& r) {
  if (r.target == 0) return "-";
  return Format(r.atLeast ? ">= %.2f" : "<= %.2f", r.target);
}

void PrintTable(const std::vector<Row>& rows) {
  std::printf("| Hot path | Ours | Peer, same run | Ratio | Target | Met |\n");
  std::printf("|---|---|---|---|---|---|\n");
  for (const Row& r : rows)
    std::printf("| %s | %s | %s | %.2f (%s) | %s | %s |\n", r.path.c_str(), r.ours.c_str(),
                r.peer.c_str(), r.ratio, r.measure.c_str(), Target(r).c_str(),
                r.target == 0 ? "-"
                : Met(r)      ? "yes"
                              : "no");
}

std::string Quoted(const std::string& s) {
  std::string q = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') q += '\\';
    q += c;
  }
  return q + "\"";
}

void WriteJson(const std::vector<Row>& rows, const char* path) {
  FILE* f = std::fopen(path, "w");
  if (f == nullptr) {
    std::fprintf(stderr, "driver_bench: %s: cannot write\n", path);
    return;
  }
  std::fprintf(f, "[\n");
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    std::fprintf(f,
                 "  {\"path\": %s, \"ours\": %s, \"peer\": %s, \"ratio\": %.4f, \"measure\": %s, "
                 "\"target\": %s, \"met\": %s}%s\n",
                 Quoted(r.path).c_str(), Quoted(r.ours).c_str(), Quoted(r.peer).c_str(), r.ratio,
                 Quoted(r.measure).c_str(), Quoted(Target(r)).c_str(),
                 r.target == 0 ? "null"
                 : Met(r)      ? "true"
                               : "false",
                 i + 1 < rows.size() ? "," : "");
  }
  std::fprintf(f, "]\n");
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  const char* tableJson = nullptr;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--table-json=", 13) == 0) {
      tableJson = argv[i] + 13;
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 2;
  MedianCollector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();

  Table table(collector.medians);
  table.Mmr(0, "halftoned photo");
  table.Mmr(1, "line drawing");
  table.Mmr(2, "all white");
  for (int twoLevel = 0; twoLevel < 2; ++twoLevel)
    for (int n : {1, 2, 4}) table.Screen(twoLevel, n);
  table.ScreenDrawing();
  table.Image();
  table.Vector("Moves", "1M moves and draws");
  table.Vector("Polygons", "10k polygons");
  PrintTable(table.rows);
  std::printf(collector.aggregates > 0 ? "\nMedians of the repetitions.\n"
                                       : "\nSingle runs: no repetitions were asked for.\n");
  if (tableJson != nullptr) WriteJson(table.rows, tableJson);
  return 0;
}
