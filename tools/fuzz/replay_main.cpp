// Replays fuzz inputs without the fuzzing engine: every FILE given, and every
// file in every DIRECTORY given but dot files, in name order. A broken promise
// aborts.
//   <target>_replay FILE|DIRECTORY...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    const fs::path given = argv[i];
    std::error_code error;
    if (fs::is_directory(given, error)) {
      for (const auto& entry : fs::directory_iterator(given))
        // Dot files keep an empty folder in the repository.
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
          files.push_back(entry.path());
    } else if (fs::is_regular_file(given, error)) {
      files.push_back(given);
    } else {
      std::fprintf(stderr, "%s: %s: no such file or directory\n", argv[0], argv[i]);
      return 2;
    }
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("%zu inputs replayed\n", files.size());
  return 0;
}
