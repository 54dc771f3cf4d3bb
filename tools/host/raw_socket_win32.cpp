#include <array>

#include "tools/host/raw_socket.h"

namespace {

// The failures a printer connection meets, worded as the Linux build words them.
struct SocketErrorWording {
  int code;
  const char* text;
};
constexpr std::array<SocketErrorWording, 10> kSocketErrorWordings = {{
    {WSAECONNREFUSED, "Connection refused"},
    {WSAECONNRESET, "Connection reset by peer"},
    {WSAECONNABORTED, "Software caused connection abort"},
    {WSAETIMEDOUT, "Connection timed out"},
    {WSAEHOSTUNREACH, "No route to host"},
    {WSAENETUNREACH, "Network is unreachable"},
    {WSAENETDOWN, "Network is down"},
    {WSAEADDRNOTAVAIL, "Cannot assign requested address"},
    {WSAENOTCONN, "Transport endpoint is not connected"},
    {WSAESHUTDOWN, "Cannot send after transport endpoint shutdown"},
}};

SOCKET Handle(RawSocket s) {
  return static_cast<SOCKET>(s);
}

}  // namespace

int32_t SocketsStart(std::string& error) {
  static bool started = false;
  WSADATA data;
  if (started) return 0;
  if (const int failed = WSAStartup(MAKEWORD(2, 2), &data)) {
    error = "no sockets (Winsock error " + std::to_string(failed) + ")";
    return -1;
  }
  started = true;
  return 0;
}

RawSocket SocketConnectWithin(const addrinfo* a, int32_t timeoutSeconds, std::string& error) {
  const SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
  if (s == INVALID_SOCKET) {
    error = SocketErrorText();
    return kNoSocket;
  }
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  if (connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == SOCKET_ERROR &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    error = SocketErrorText();
    closesocket(s);
    return kNoSocket;
  }
  // A connection made shows as writable; a refused one in the exceptions.
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(s, &writable);
  FD_SET(s, &failed);
  timeval limit{timeoutSeconds, 0};
  const int ready = select(0, nullptr, &writable, &failed, &limit);
  int soError = 0;
  int length = sizeof soError;
  if (ready == 0) {
    error = "no answer within " + std::to_string(timeoutSeconds) + " s";
  } else if (ready == SOCKET_ERROR ||
             getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &length) ==
                 SOCKET_ERROR ||
             soError != 0 || FD_ISSET(s, &failed)) {
    if (soError != 0) WSASetLastError(soError);
    error = SocketErrorText();
  } else {
    return static_cast<RawSocket>(s);
  }
  closesocket(s);
  return kNoSocket;
}

int32_t SocketWait(RawSocket s, bool forWriting, int32_t timeoutSeconds) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(Handle(s), &set);
  timeval limit{timeoutSeconds, 0};
  const int ready = forWriting ? select(0, nullptr, &set, nullptr, &limit)
                               : select(0, &set, nullptr, nullptr, &limit);
  return ready == SOCKET_ERROR ? -1 : ready > 0 ? 1 : 0;
}

int32_t SocketSend(RawSocket s, const char* bytes, size_t count) {
  const int n = send(Handle(s), bytes, static_cast<int>(count), 0);
  return n == SOCKET_ERROR ? -1 : n;
}

int32_t SocketReceive(RawSocket s, char* bytes, size_t count) {
  const int n = recv(Handle(s), bytes, static_cast<int>(count), 0);
  return n == SOCKET_ERROR ? -1 : n;
}

bool SocketWouldBlock() {
  return WSAGetLastError() == WSAEWOULDBLOCK;
}

std::string SocketErrorText() {
  const int code = WSAGetLastError();
  for (const SocketErrorWording& w : kSocketErrorWordings)
    if (w.code == code) return w.text;
  return "Winsock error " + std::to_string(code);
}

void SocketEndSending(RawSocket s) {
  shutdown(Handle(s), SD_SEND);
}

void SocketClose(RawSocket s) {
  closesocket(Handle(s));
}
