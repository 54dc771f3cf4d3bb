#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/host/raw_socket.h"

int32_t SocketsStart(std::string&) {
  return 0;
}

RawSocket SocketConnectWithin(const addrinfo* a, int32_t timeoutSeconds, std::string& error) {
  const int fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
  if (fd < 0) {
    error = SocketErrorText();
    return kNoSocket;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) | O_NONBLOCK);
  if (connect(fd, a->ai_addr, a->ai_addrlen) < 0 && errno != EINPROGRESS) {
    error = SocketErrorText();
    close(fd);
    return kNoSocket;
  }
  const int32_t ready = SocketWait(fd, true, timeoutSeconds);
  int soError = 0;
  socklen_t length = sizeof soError;
  if (ready == 0) {
    error = "no answer within " + std::to_string(timeoutSeconds) + " s";
  } else if (ready < 0 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length) < 0 ||
             soError != 0) {
    if (soError != 0) errno = soError;
    error = SocketErrorText();
  } else {
    return fd;
  }
  close(fd);
  return kNoSocket;
}

int32_t SocketWait(RawSocket s, bool forWriting, int32_t timeoutSeconds) {
  pollfd p{static_cast<int>(s), static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
  const int ready = poll(&p, 1, timeoutSeconds * 1000);
  return ready > 0 ? 1 : ready;
}

int32_t SocketSend(RawSocket s, const char* bytes, size_t count) {
  // A printer that hangs up is a failure to report, not a signal that ends adihost.
  return static_cast<int32_t>(send(static_cast<int>(s), bytes, count, MSG_NOSIGNAL));
}

int32_t SocketReceive(RawSocket s, char* bytes, size_t count) {
  return static_cast<int32_t>(recv(static_cast<int>(s), bytes, count, 0));
}

bool SocketWouldBlock() {
  return errno == EAGAIN || errno == EWOULDBLOCK;
}

std::string SocketErrorText() {
  return std::strerror(errno);
}

void SocketEndSending(RawSocket s) {
  shutdown(static_cast<int>(s), SHUT_WR);
}

void SocketClose(RawSocket s) {
  close(static_cast<int>(s));
}
