// Runs the reader's fuzz target over the files named, or every file of the
// folders named, as the regression check that needs no libFuzzer.
//
//   jobview_replay FILE|FOLDER...
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int32_t Replay(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "jobview_replay: %s: cannot read\n", path.c_str());
    return -1;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int32_t files = 0, failed = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path = argv[i];
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
      for (const auto& entry : std::filesystem::directory_iterator(path))
        if (entry.is_regular_file()) ++files, failed += Replay(entry.path()) < 0;
    } else {
      ++files, failed += Replay(path) < 0;
    }
  }
  std::fprintf(stderr, "jobview_replay: %d inputs read\n", files);
  return failed == 0 && files > 0 ? 0 : 1;
}
