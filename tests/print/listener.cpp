// A printer's raw TCP port on the loopback address, for the print tests:
// every connection's bytes go to a file of their own in FOLDER (job-1.bin,
// job-2.bin, ...). It picks a free port and writes it to PORT-FILE, takes
// connections one after another, and stops on SIGTERM or after IDLE seconds
// without a connection.
//
//   print_listener PORT-FILE FOLDER IDLE [DROP-AFTER]
//
// With DROP-AFTER, every connection is closed after that many bytes, as a
// printer that fails in the middle of a job.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

volatile sig_atomic_t stopping = 0;
void Stop(int) {
  stopping = 1;
}

void Keep(int connection, const std::string& path, long dropAfter) {
  FILE* out = std::fopen(path.c_str(), "wb");
  char buffer[65536];
  long total = 0;
  for (;;) {
    const ssize_t n = read(connection, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR && !stopping) continue;
    if (n <= 0) break;
    const long keep = dropAfter > 0 && total + n > dropAfter ? dropAfter - total : n;
    if (out) std::fwrite(buffer, 1, static_cast<size_t>(keep), out);
    total += keep;
    if (dropAfter > 0 && total >= dropAfter) break;
  }
  if (out) std::fclose(out);
  close(connection);
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
    Keep(connection, std::string(argv[2]) + "/job-" + std::to_string(++jobs) + ".bin", dropAfter);
  }
  close(server);
  return 0;
}
