#include "orlin/send_datagram.h"

#include <cerrno>
#include <sys/uio.h>

namespace orlin {

int SendDatagram(SOCKET s, const void* head, int headBytes, const void* body, int bodyBytes,
                 const sockaddr_in& to) {
  if (headBytes < 0 || bodyBytes < 0) {
    errno = EINVAL;
    return SOCKET_ERROR;
  }
  // sendmsg only reads through the iovecs, whatever their pointers' constness.
  iovec parts[2] = {{const_cast<void*>(head), static_cast<std::size_t>(headBytes)},
                    {const_cast<void*>(body), static_cast<std::size_t>(bodyBytes)}};
  msghdr message{};
  message.msg_name = const_cast<sockaddr_in*>(&to);
  message.msg_namelen = sizeof to;
  message.msg_iov = parts;
  message.msg_iovlen = 2;
  const ssize_t sent = sendmsg(s, &message, 0);
  return sent < 0 ? SOCKET_ERROR : static_cast<int>(sent);
}

}  // namespace orlin
