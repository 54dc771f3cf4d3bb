#pragma once
// adihost run as a person runs it, in a private folder: its exit status and
// what it printed on each stream.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

struct HostRun {
  int status;
  std::string out, err;
};

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
    return Run("", std::string(TRNKV_BUILD_DIR) + "/adihost", arguments);
  }
  std::string Path(const std::string& name) const { return folder + "/" + name; }
  void Write(const std::string& name, const std::string& content) {
    std::ofstream(Path(name), std::ios::binary) << content;
  }

  std::string folder;
};
