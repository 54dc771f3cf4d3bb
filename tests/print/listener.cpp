// A printer's raw TCP port on the loopback address, for the print tests:
// every connection's bytes go to a file of their own in FOLDER (job-1.bin,
// job-2.bin, ...), named so only once the connection has ended. It picks a free port and writes it
// to PORT-FILE, takes connections one after another, and stops on SIGTERM or after IDLE seconds
// without a connection.
//
//   print_listener PORT-FILE FOLDER IDLE [DROP-AFTER]
//
// With DROP-AFTER, every connection is closed after that many bytes, as a
// printer that fails in the middle of a job.
//
// A printer that holds its window, for cancelling a job provably mid-page:
// while FOLDER/hold exists when a connection comes, that connection stops
// being read after the number of bytes the file holds; FOLDER/held then says
// so, and reading goes on once FOLDER/hold is removed. What the sender still
// has in flight is then bounded by the socket buffers, so a page whose job
// is larger cannot have been finished by the time FOLDER/held appears.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

volatile sig_atomic_t stopping = 0;
void Stop(int) {
  stopping = 1;
}

bool Exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

// The bytes after which a new connection is held, or 0 when none is asked for.
long HoldAfter(const std::string& folder) {
  std::ifstream file(folder + "/hold");
  long bytes = 0;
  return file >> bytes && bytes > 0 ? bytes : 0;
}

// Stops reading until FOLDER/hold is removed (or the listener is stopped).
void Hold(const std::string& folder) {
  const std::string held = folder + "/held";
  if (FILE* f = std::fopen(held.c_str(), "w")) std::fclose(f);
  while (Exists(folder + "/hold") && !stopping) usleep(20000);
  std::remove(held.c_str());
}

void Keep(int connection, const std::string& folder, const std::string& path, long dropAfter) {
  FILE* out = std::fopen((path + ".part").c_str(), "wb");
  char buffer[65536];
  long total = 0, holdAfter = HoldAfter(folder);
  for (;;) {
    const size_t wanted =
        holdAfter > 0 ? std::min<long>(sizeof buffer, holdAfter - total) : sizeof buffer;
    const ssize_t n = read(connection, buffer, wanted);
    if (n < 0 && errno == EINTR && !stopping) continue;
    if (n <= 0) break;
    const long keep = dropAfter > 0 && total + n > dropAfter ? dropAfter - total : n;
    if (out) std::fwrite(buffer, 1, static_cast<size_t>(keep), out);
    total += keep;
    if (dropAfter > 0 && total >= dropAfter) break;
    if (holdAfter > 0 && total >= holdAfter) {
      if (out) std::fflush(out);
      Hold(folder);
      holdAfter = 0;
    }
  }
  if (out) std::fclose(out);
  close(connection);
  std::rename((path + ".part").c_str(), path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) {
    std::fprintf(stderr, "Usage: print_listener PORT-FILE FOLDER IDLE [DROP-AFTER]\n");
    return 2;
  }
  const int idle = std::atoi(argv[3]);
  const long dropAfter = argc == 5 ? std::atol(argv[4]) : 0;
  signal(SIGTERM, &Stop);
  signal(SIGPIPE, SIG_IGN);
  const int server = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (server < 0 || bind(server, reinterpret_cast<sockaddr*>(&address), size) < 0 ||
      listen(server, 32) < 0 ||
      getsockname(server, reinterpret_cast<sockaddr*>(&address), &size) < 0) {
    std::perror("print_listener");
    return 1;
  }
  const std::string portFile = argv[1], temporary = portFile + ".new";
  if (FILE* f = std::fopen(temporary.c_str(), "w")) {
    std::fprintf(f, "%d\n", ntohs(address.sin_port));
    std::fclose(f);
    std::rename(temporary.c_str(), portFile.c_str());
  }
  int jobs = 0;
  while (!stopping) {
    pollfd p{server, POLLIN, 0};
    const int ready = poll(&p, 1, idle * 1000);
    if (ready == 0) break;
    if (ready < 0) continue;
    const int connection = accept(server, nullptr, nullptr);
    if (connection < 0) continue;
    const std::string folder = argv[2];
    Keep(connection, folder, folder + "/job-" + std::to_string(++jobs) + ".bin", dropAfter);
  }
  close(server);
  return 0;
}
