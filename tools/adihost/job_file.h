#pragma once
// Where adihost's outputs land, without ever destroying a file: outputs that
// are the input or each other are refused before any work, and the job is
// written to a temporary file beside its place and renamed there only once
// it is complete, so that a failed plot leaves whatever stood there before.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// A file's identity: its device and inode (volume and file index on
// Windows); for a file not there yet, its folder's identity and its name.
struct FileIdentity {
  uint64_t device = 0, node = 0;
  std::string name;  // empty when the file exists
  bool known = false;
  bool operator==(const FileIdentity& o) const {
    return known && o.known && device == o.device && node == o.node && name == o.name;
  }
};
FileIdentity IdentityOf(const std::string& path);

// A file named with its role ("-o", "--preview", ...) for the messages.
struct NamedFile {
  std::string role, path;
};
// The first clash between `inputs` and `outputs` or between two outputs, as
// a message; empty when there is none. Standard input and output ("-") clash
// with nothing.
std::string FindClash(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs);

struct JobFile {
  std::string path;       // where the job belongs
  std::string temporary;  // where it is written until complete; empty: written in place
  std::FILE* file = nullptr;
};

// Opens the job for writing: standard output for "-", a device or a pipe in
// place, anything else as a temporary file in the same folder. 0, or -1 with
// the reason.
int32_t JobOpen(const std::string& path, JobFile& job, std::string& error);
// Closes the job and puts it in its place. 0, or -1 with the reason (and the
// temporary file gone).
int32_t JobCommit(JobFile& job, std::string& error);
// Closes the job and removes what was written of it; a device is left alone.
void JobAbandon(JobFile& job);
