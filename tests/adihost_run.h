#pragma once
// adihost run as a person runs it, in a private folder: its exit status and
// what it printed on each stream.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

struct HostRun {
  int status;
  std::string out, err;
};

// One of the build's own programs as a command: in the i686 build under
// qemu-user where the kernel runs no 32-bit programs (scripts/run-i686, which
// runs the tests, says which in TRNKV_RUN_I686).
inline std::string BuildProgram(const std::string& name) {
  const char* runner = std::getenv("TRNKV_RUN_I686");
  const std::string prefix = runner != nullptr && *runner != '\0' ? std::string(runner) + " " : "";
  return prefix + TRNKV_BUILD_DIR + "/" + name;
}

// Why this machine cannot run 32-bit programs (and so wine), or "" when it can.
inline std::string WhyNo32BitPrograms() {
  static const std::string why = [] {
    std::string said;
    if (std::FILE* p = popen(TRNKV_SOURCE_DIR "/scripts/runs-32bit", "r")) {
      char line[256];
      while (std::fgets(line, sizeof line, p) != nullptr) said += line;
      if (pclose(p) == 0) return std::string();
    }
    while (!said.empty() && said.back() == '\n') said.pop_back();
    return said.empty() ? std::string("no 32-bit programs run here") : said;
  }();
  return why;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class AdihostFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/adihost-cli-XXXXXX";
    folder = mkdtemp(pattern);
  }
  void TearDown() override { std::system(("rm -rf " + folder).c_str()); }

  // In the folder, in a UTF-8 locale unless `environment` says otherwise.
  HostRun Run(const std::string& environment, const std::string& program,
              const std::string& arguments) {
    const std::string command = "cd " + folder + " && LC_ALL=C.UTF-8 " + environment + " " +
                                program + " " + arguments + " >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(folder + "/out.txt"),
            ReadFile(folder + "/err.txt")};
  }
  HostRun Adihost(const std::string& arguments) {
    return Run("", BuildProgram("adihost"), arguments);
  }
  std::string Path(const std::string& name) const { return folder + "/" + name; }
  void Write(const std::string& name, const std::string& content) {
    std::ofstream(Path(name), std::ios::binary) << content;
  }

  std::string folder;
};
