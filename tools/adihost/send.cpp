#include "tools/adihost/send.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(_WIN32)
int32_t SendJobFile(const std::string&, const std::string&, int32_t, std::string& error) {
  error = "sending is done by the Linux build of adihost";
  return -1;
}
#else
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct Descriptor {
  int fd = -1;
  ~Descriptor() {
    if (fd >= 0) close(fd);
  }
};

int32_t SplitTarget(const std::string& target, std::string& host, std::string& port,
                    std::string& error) {
  host = target;
  port = std::to_string(kRawPrintPort);
  const size_t colon = target.rfind(':');
  if (colon != std::string::npos && target.find(':') == colon) {
    host = target.substr(0, colon);
    port = target.substr(colon + 1);
    char* end = nullptr;
    const long n = std::strtol(port.c_str(), &end, 10);
    if (port.empty() || *end != '\0' || n < 1 || n > 65535) {
      error = "bad port '" + port + "'";
      return -1;
    }
  }
  if (host.empty()) {
    error = "no printer address";
    return -1;
  }
  return 0;
}

// A non-blocking connect that gives up after the timeout.
int ConnectWithin(const addrinfo* a, int32_t timeoutSeconds, std::string& error) {
  const int fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
  if (fd < 0) {
    error = std::strerror(errno);
    return -1;
  }
  const int flags = fcntl(fd, F_GETFL, 0);
  fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  if (connect(fd, a->ai_addr, a->ai_addrlen) < 0 && errno != EINPROGRESS) {
    error = std::strerror(errno);
    close(fd);
    return -1;
  }
  pollfd p{fd, POLLOUT, 0};
  const int ready = poll(&p, 1, timeoutSeconds * 1000);
  int soError = 0;
  socklen_t length = sizeof soError;
  if (ready == 0) {
    error = "no answer within " + std::to_string(timeoutSeconds) + " s";
  } else if (ready < 0 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length) < 0 ||
             soError != 0) {
    error = std::strerror(soError != 0 ? soError : errno);
  } else {
    fcntl(fd, F_SETFL, flags);
    return fd;
  }
  close(fd);
  return -1;
}

}  // namespace

int32_t SendJobFile(const std::string& target, const std::string& path, int32_t timeoutSeconds,
                    std::string& error) {
  std::string host, port;
  if (SplitTarget(target, host, port, error) < 0) return -1;
  std::FILE* job = std::fopen(path.c_str(), "rb");
  if (job == nullptr) {
    error = path + ": " + std::strerror(errno);
    return -1;
  }
  std::vector<char> bytes;
  char block[65536];
  for (size_t n; (n = std::fread(block, 1, sizeof block, job)) > 0;)
    bytes.insert(bytes.end(), block, block + n);
  std::fclose(job);

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int lookup = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
  if (lookup != 0) {
    error = host + ": " + gai_strerror(lookup);
    return -1;
  }
  Descriptor connection;
  for (const addrinfo* a = found; a != nullptr && connection.fd < 0; a = a->ai_next)
    connection.fd = ConnectWithin(a, timeoutSeconds, error);
  freeaddrinfo(found);
  if (connection.fd < 0) {
    error = "cannot connect to " + host + ":" + port + ": " + error;
    return -1;
  }
  timeval limit{timeoutSeconds, 0};
  setsockopt(connection.fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(connection.fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) {
      error = "connection to " + host + ":" + port + " broke after " + std::to_string(sent) +
              " of " + std::to_string(bytes.size()) +
              " bytes: " + (n == 0 ? "closed" : std::strerror(errno));
      return -1;
    }
    sent += static_cast<size_t>(n);
  }
  // Half-close and wait for the printer to close its side, so that a job the
  // printer threw away (a reset connection) is not reported as delivered.
  shutdown(connection.fd, SHUT_WR);
  pollfd p{connection.fd, POLLIN, 0};
  char discard[256];
  while (poll(&p, 1, timeoutSeconds * 1000) > 0) {
    const ssize_t n = recv(connection.fd, discard, sizeof discard, 0);
    if (n == 0) break;
    if (n < 0) {
      error = "connection to " + host + ":" + port + " broke: " + std::strerror(errno);
      return -1;
    }
  }
  return 0;
}
#endif
