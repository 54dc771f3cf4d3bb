#pragma once
// The few socket operations that delivering a job needs, over POSIX sockets on
// Linux and Winsock on Win32. The sockets do not block: waits are explicit.
#include <cstddef>
#include <cstdint>
#include <string>

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#endif

using RawSocket = intptr_t;
constexpr RawSocket kNoSocket = -1;

// Once before the first socket. 0, or -1 with the reason.
int32_t SocketsStart(std::string& error);
// A connection to one looked-up address, made within the timeout, or kNoSocket
// with the reason.
RawSocket SocketConnectWithin(const addrinfo* address, int32_t timeoutSeconds, std::string& error);
// 1 when the socket can be written (or read), 0 when the timeout passed, -1 on failure.
int32_t SocketWait(RawSocket s, bool forWriting, int32_t timeoutSeconds);
// Bytes taken or received; 0 for a closed connection (receive only); -1 on
// failure, which SocketWouldBlock() tells apart from a full or empty buffer.
int32_t SocketSend(RawSocket s, const char* bytes, size_t count);
int32_t SocketReceive(RawSocket s, char* bytes, size_t count);
bool SocketWouldBlock();
// The last failure, worded alike on both systems.
std::string SocketErrorText();
// No more bytes from this side; the other may still send.
void SocketEndSending(RawSocket s);
void SocketClose(RawSocket s);
