#include "orlin/receive_datagram.h"

#include <cerrno>
#include <sys/uio.h>

namespace orlin {

int ReceiveDatagram(SOCKET s, void* buffer, int length) {
  if (length < 0) {
    errno = EINVAL;
    return SOCKET_ERROR;
  }
  iovec part{buffer, static_cast<std::size_t>(length)};
  msghdr message{};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  const ssize_t received = recvmsg(s, &message, 0);
  if (received < 0) return SOCKET_ERROR;
  if ((message.msg_flags & MSG_TRUNC) != 0) {
    errno = EMSGSIZE;
    return SOCKET_ERROR;
  }
  return static_cast<int>(received);
}

}  // namespace orlin
