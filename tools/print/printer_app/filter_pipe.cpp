#include "tools/print/printer_app/filter_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#ifndef KALVO_FILTER_PATH
#define KALVO_FILTER_PATH "/usr/lib/cups/filter/rastertokalvo"
#endif

namespace {

// The filter's messages become the job's log; its first ERROR: line is the
// reason the job failed.
void TakeMessages(FilterPipe& p, const char* bytes, ssize_t count) {
  for (ssize_t i = 0; i < count; ++i) {
    if (bytes[i] != '\n') {
      if (p.errorLine.size() < 4096) p.errorLine += bytes[i];
      continue;
    }
    const std::string& line = p.errorLine;
    if (line.rfind("ERROR: ", 0) == 0) {
      papplLogJob(p.job, PAPPL_LOGLEVEL_ERROR, "%s", line.c_str() + 7);
      if (p.failure.empty()) p.failure = line.substr(7);
    } else if (line.rfind("DEBUG: ", 0) == 0 || line.rfind("ATTR: ", 0) == 0) {
      papplLogJob(p.job, PAPPL_LOGLEVEL_DEBUG, "%s", line.c_str());
    } else {
      papplLogJob(p.job, PAPPL_LOGLEVEL_INFO, "%s", line.c_str());
    }
    p.errorLine.clear();
  }
}

// Carries whatever the filter has ready, waiting up to `waitMs` for it (-1:
// until something is). 0 while the filter's output is open, 1 once it has
// ended, -1 on failure.
int Carry(FilterPipe& p, int waitMs, int writable = -1) {
  pollfd fds[3] = {{p.output, POLLIN, 0}, {p.errors, POLLIN, 0}, {writable, POLLOUT, 0}};
  const int n = poll(fds, writable >= 0 ? 3 : 2, waitMs);
  if (n < 0) return errno == EINTR ? 0 : -1;
  char buffer[65536];
  if (fds[1].revents & (POLLIN | POLLHUP)) {
    const ssize_t got = read(p.errors, buffer, sizeof buffer);
    if (got > 0) TakeMessages(p, buffer, got);
    if (got == 0) close(p.errors), p.errors = -1;
  }
  if (fds[0].revents & (POLLIN | POLLHUP)) {
    const ssize_t got = read(p.output, buffer, sizeof buffer);
    if (got == 0) return 1;
    if (got > 0 && !p.deviceFailed) {
      if (papplDeviceWrite(p.device, buffer, static_cast<size_t>(got)) != got) {
        p.deviceFailed = true;
        if (p.failure.empty()) p.failure = "the printer stopped taking the job";
      }
      p.bytesSent += got;
    }
  }
  return 0;
}

ssize_t WriteToFilter(void* context, unsigned char* bytes, size_t length) {
  FilterPipe& p = *static_cast<FilterPipe*>(context);
  size_t done = 0;
  while (done < length) {
    const ssize_t n = write(p.input, bytes + done, length - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return -1;
    // The pipe is full: carry the filter's output until it takes more.
    if (Carry(p, -1, p.input) != 0) return -1;
  }
  return static_cast<ssize_t>(done);
}

}  // namespace

std::string FilterProgram() {
  const char* path = std::getenv("KALVO_FILTER");
  return path != nullptr && *path != '\0' ? path : KALVO_FILTER_PATH;
}

int StartFilter(FilterPipe& p, pappl_job_t* job, pappl_device_t* device, const std::string& options,
                int copies) {
  p.job = job;
  p.device = device;
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) < 0) return -1;
  if (pipe2(out, O_CLOEXEC) < 0) return close(in[0]), close(in[1]), -1;
  if (pipe2(err, O_CLOEXEC) < 0)
    return close(in[0]), close(in[1]), close(out[0]), close(out[1]), -1;
  const std::string program = FilterProgram();
  const std::string id = std::to_string(papplJobGetID(job)), count = std::to_string(copies);
  const char* user = papplJobGetUsername(job);
  const char* title = papplJobGetName(job);
  p.child = fork();
  if (p.child == 0) {
    dup2(in[0], 0), dup2(out[1], 1), dup2(err[1], 2);
    execl(program.c_str(), "rastertokalvo", id.c_str(), user ? user : "", title ? title : "",
          count.c_str(), options.c_str(), static_cast<char*>(nullptr));
    const char message[] = "ERROR: cannot start the filter\n";
    (void)!write(2, message, sizeof message - 1);
    _exit(1);
  }
  close(in[0]), close(out[1]), close(err[1]);
  p.input = in[1], p.output = out[0], p.errors = err[0];
  if (p.child < 0) return FinishFilter(p), -1;
  fcntl(p.input, F_SETFL, O_NONBLOCK);
  p.raster = cupsRasterOpenIO(&WriteToFilter, &p, CUPS_RASTER_WRITE);
  return p.raster != nullptr ? 0 : -1;
}

int WriteFilterHeader(FilterPipe& p, cups_page_header2_t& header) {
  return cupsRasterWriteHeader2(p.raster, &header) ? 0 : -1;
}

int WriteFilterLine(FilterPipe& p, const unsigned char* line, unsigned bytes) {
  if (Carry(p, 0) < 0) return -1;
  return cupsRasterWritePixels(p.raster, const_cast<unsigned char*>(line), bytes) == bytes ? 0 : -1;
}

void CancelFilter(FilterPipe& p) {
  if (p.child > 0 && !p.cancelSent) kill(p.child, SIGTERM);
  p.cancelSent = true;
}

int FinishFilter(FilterPipe& p) {
  if (p.raster != nullptr) cupsRasterClose(p.raster), p.raster = nullptr;
  if (p.input >= 0) close(p.input), p.input = -1;
  // A small page's raster is all in the filter's pipe long before the
  // printer has taken its job: a cancel that comes while the job is carried
  // must still reach the filter, or the whole page prints.
  int carried = 0;
  while (p.output >= 0 && carried == 0) {
    if (papplJobIsCanceled(p.job)) CancelFilter(p);
    carried = Carry(p, 250);
  }
  if (p.output >= 0) close(p.output), p.output = -1;
  while (p.errors >= 0) {
    char buffer[4096];
    const ssize_t got = read(p.errors, buffer, sizeof buffer);
    if (got > 0) TakeMessages(p, buffer, got);
    if (got == 0 || (got < 0 && errno != EINTR)) close(p.errors), p.errors = -1;
  }
  int status = 0;
  if (p.child > 0)
    while (waitpid(p.child, &status, 0) < 0 && errno == EINTR) {
    }
  papplDeviceFlush(p.device);
  const bool exited = p.child > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!exited && p.failure.empty()) p.failure = "the filter failed";
  p.child = -1;
  return exited && carried == 1 && !p.deviceFailed ? 0 : -1;
}
