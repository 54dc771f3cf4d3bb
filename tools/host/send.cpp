#include "tools/host/send.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/host/raw_socket.h"

namespace {

struct Connection {
  RawSocket s = kNoSocket;
  ~Connection() {
    if (s != kNoSocket) SocketClose(s);
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

int32_t ReadJob(const std::string& path, std::vector<char>& bytes, std::string& error) {
  std::FILE* job = std::fopen(path.c_str(), "rb");
  if (job == nullptr) {
    error = path + ": " + std::strerror(errno);
    return -1;
  }
  char block[65536];
  for (size_t n; (n = std::fread(block, 1, sizeof block, job)) > 0;)
    bytes.insert(bytes.end(), block, block + n);
  const bool failed = std::ferror(job) != 0;
  std::fclose(job);
  if (failed) error = path + ": cannot read";
  return failed ? -1 : 0;
}

// The first of the host's addresses that answers within the timeout.
RawSocket Connect(const std::string& host, const std::string& port, int32_t timeoutSeconds,
                  std::string& error) {
  if (SocketsStart(error) < 0) return kNoSocket;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (const int lookup = getaddrinfo(host.c_str(), port.c_str(), &hints, &found)) {
    error = host + ": " + gai_strerror(lookup);
    return kNoSocket;
  }
  RawSocket s = kNoSocket;
  for (const addrinfo* a = found; a != nullptr && s == kNoSocket; a = a->ai_next)
    s = SocketConnectWithin(a, timeoutSeconds, error);
  freeaddrinfo(found);
  if (s == kNoSocket) error = "cannot connect to " + host + ":" + port + ": " + error;
  return s;
}

// Every byte, each write making progress within the timeout.
int32_t SendAll(RawSocket s, const std::vector<char>& bytes, int32_t timeoutSeconds,
                const std::string& where, std::string& error) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const size_t piece = std::min<size_t>(bytes.size() - sent, 1 << 20);
    const int32_t n = SocketSend(s, bytes.data() + sent, piece);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    std::string why = n == 0 ? "closed" : SocketErrorText();
    if (n < 0 && SocketWouldBlock()) {
      const int32_t ready = SocketWait(s, true, timeoutSeconds);
      if (ready > 0) continue;
      why = ready == 0 ? "no progress within " + std::to_string(timeoutSeconds) + " s"
                       : SocketErrorText();
    }
    error = "connection to " + where + " broke after " + std::to_string(sent) + " of " +
            std::to_string(bytes.size()) + " bytes: " + why;
    return -1;
  }
  return 0;
}

// Half-closes and waits for the printer to close its side, so that a job the
// printer threw away (a reset connection) is not reported as delivered. A
// printer that keeps its side open past the timeout has taken the job.
int32_t AwaitPrinterClose(RawSocket s, int32_t timeoutSeconds, const std::string& where,
                          std::string& error) {
  SocketEndSending(s);
  char discard[256];
  for (;;) {
    const int32_t ready = SocketWait(s, false, timeoutSeconds);
    if (ready == 0) return 0;
    const int32_t n = ready > 0 ? SocketReceive(s, discard, sizeof discard) : -1;
    if (n == 0) return 0;
    if (n < 0 && (ready < 0 || !SocketWouldBlock())) {
      error = "connection to " + where + " broke: " + SocketErrorText();
      return -1;
    }
  }
}

}  // namespace

int32_t CheckSendTarget(const std::string& target, std::string& error) {
  std::string host, port;
  return SplitTarget(target, host, port, error);
}

int32_t SendJobFile(const std::string& target, const std::string& path, int32_t timeoutSeconds,
                    std::string& error) {
  std::string host, port;
  if (SplitTarget(target, host, port, error) < 0) return -1;
  std::vector<char> bytes;
  if (ReadJob(path, bytes, error) < 0) return -1;
  Connection connection;
  connection.s = Connect(host, port, timeoutSeconds, error);
  if (connection.s == kNoSocket) return -1;
  const std::string where = host + ":" + port;
  if (SendAll(connection.s, bytes, timeoutSeconds, where, error) < 0) return -1;
  return AwaitPrinterClose(connection.s, timeoutSeconds, where, error);
}
