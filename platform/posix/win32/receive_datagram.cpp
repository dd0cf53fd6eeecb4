#include "orlin/receive_datagram.h"

#include <cerrno>
#include <sys/uio.h>

namespace orlin {
namespace {

// recvmsg over the parts. A datagram longer than them all comes back with
// MSG_TRUNC among the result's flags, which Winsock reports as WSAEMSGSIZE.
int ReceiveInto(SOCKET s, iovec* parts, std::size_t count, int flags, sockaddr_in* from = nullptr) {
  msghdr message{};
  message.msg_name = from;
  message.msg_namelen = from != nullptr ? sizeof *from : 0;
  message.msg_iov = parts;
  message.msg_iovlen = count;
  const ssize_t received = recvmsg(s, &message, flags);
  if (received < 0) return SOCKET_ERROR;
  if ((flags & MSG_TRUNC) == 0 && (message.msg_flags & MSG_TRUNC) != 0) {
    errno = EMSGSIZE;
    return SOCKET_ERROR;
  }
  return static_cast<int>(received);
}

int Invalid() {
  errno = EINVAL;
  return SOCKET_ERROR;
}

}  // namespace

int ReceiveDatagram(SOCKET s, void* buffer, int length) {
  if (length < 0) return Invalid();
  iovec part{buffer, std::size_t(length)};
  return ReceiveInto(s, &part, 1, 0);
}

// With MSG_TRUNC a datagram socket's receive returns the datagram's real
// length, however little of it was stored.
int PeekDatagram(SOCKET s, void* buffer, int length, sockaddr_in* from) {
  if (length < 0) return Invalid();
  iovec part{buffer, std::size_t(length)};
  return ReceiveInto(s, &part, 1, MSG_PEEK | MSG_TRUNC, from);
}

int ReceiveDatagramInTwo(SOCKET s, void* head, int headLength, void* body, int bodyLength) {
  if (headLength < 0 || bodyLength < 0) return Invalid();
  iovec parts[2] = {{head, std::size_t(headLength)}, {body, std::size_t(bodyLength)}};
  return ReceiveInto(s, parts, 2, 0);
}

}  // namespace orlin
