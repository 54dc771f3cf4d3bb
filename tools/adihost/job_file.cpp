#include "tools/adihost/job_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "tools/host/file_names.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#if defined(_WIN32)
// The volume and file index of an existing file or folder.
bool ExistingIdentity(const std::string& path, FileIdentity& id) {
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool ok = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  if (!ok) return false;
  id.device = info.dwVolumeSerialNumber;
  id.node = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  id.known = true;
  return true;
}
#else
bool ExistingIdentity(const std::string& path, FileIdentity& id) {
  struct stat s;
  if (stat(path.c_str(), &s) != 0) return false;
  id.device = static_cast<uint64_t>(s.st_dev);
  id.node = static_cast<uint64_t>(s.st_ino);
  id.known = true;
  return true;
}
#endif

bool IsDeviceOrPipe(const std::string& path) {
  struct stat s;
  return stat(path.c_str(), &s) == 0 && !S_ISREG(s.st_mode);
}

// A new, empty file beside `path` that no one else has opened.
std::FILE* OpenTemporaryBeside(const std::string& path, std::string& temporary) {
#if defined(_WIN32)
  for (int32_t attempt = 0; attempt < 100; ++attempt) {
    temporary =
        path + ".tmp" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
    const int fd =
        _open(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd >= 0) return _fdopen(fd, "wb");
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
#else
  std::string pattern = path + ".XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) return nullptr;
  temporary = pattern;
  // mkstemp makes the file private; the job gets the mode a new file gets.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  return fdopen(fd, "wb");
#endif
}

int32_t PutInPlace(const std::string& from, const std::string& to) {
#if defined(_WIN32)
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : -1;
#else
  return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : -1;
#endif
}

}  // namespace

FileIdentity IdentityOf(const std::string& path) {
  FileIdentity id;
  if (ExistingIdentity(path, id)) return id;
  // Not there yet: two such names are the same file when they name the same
  // folder entry.
  const std::string folder = FolderOf(path);
  if (!ExistingIdentity(folder.empty() ? "." : folder, id)) return FileIdentity{};
  id.name = NameOf(path);
  return id;
}

std::string FindClash(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs) {
  std::vector<std::pair<const NamedFile*, FileIdentity>> seen;
  const auto add = [&seen](const NamedFile& f) {
    if (!f.path.empty() && f.path != "-") seen.emplace_back(&f, IdentityOf(f.path));
  };
  for (const NamedFile& f : inputs) add(f);
  const size_t inputCount = seen.size();
  for (const NamedFile& f : outputs) add(f);
  for (size_t j = inputCount; j < seen.size(); ++j)
    for (size_t i = 0; i < j; ++i)
      if (seen[i].second == seen[j].second)
        return seen[j].first->path + " (" + seen[j].first->role + ") is the same file as " +
               seen[i].first->path + " (" + seen[i].first->role + "); nothing was written";
  return "";
}

int32_t JobOpen(const std::string& path, JobFile& job, std::string& error) {
  job = JobFile{};
  job.path = path;
  if (path == "-") {
    job.file = stdout;
    return 0;
  }
  if (IsDeviceOrPipe(path)) {
    job.file = std::fopen(path.c_str(), "wb");
  } else {
    job.file = OpenTemporaryBeside(path, job.temporary);
  }
  if (job.file == nullptr) {
    error = path + ": " + std::strerror(errno);
    job.temporary.clear();
    return -1;
  }
  return 0;
}

int32_t JobCommit(JobFile& job, std::string& error) {
  if (job.file == stdout) return std::fflush(stdout) == 0 ? 0 : (error = "-: cannot write", -1);
  const bool closed = std::fclose(job.file) == 0;
  job.file = nullptr;
  if (!closed) {
    error = job.path + ": " + std::strerror(errno);
    if (!job.temporary.empty()) std::remove(job.temporary.c_str());
    return -1;
  }
  if (job.temporary.empty()) return 0;
  if (PutInPlace(job.temporary, job.path) < 0) {
    error = job.path + ": " + std::strerror(errno);
    std::remove(job.temporary.c_str());
    return -1;
  }
  job.temporary.clear();
  return 0;
}

void JobAbandon(JobFile& job) {
  if (job.file != nullptr && job.file != stdout) std::fclose(job.file);
  job.file = nullptr;
  if (!job.temporary.empty()) std::remove(job.temporary.c_str());
  job.temporary.clear();
}
