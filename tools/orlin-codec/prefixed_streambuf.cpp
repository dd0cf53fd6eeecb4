#include "tools/orlin-codec/prefixed_streambuf.h"

#include <utility>

namespace orlin::tool {

PrefixedStreamBuf::PrefixedStreamBuf(std::string prefix, std::streambuf* rest)
    : prefix_(std::move(prefix)), rest_(rest) {
  setg(prefix_.data(), prefix_.data(), prefix_.data() + prefix_.size());
}

PrefixedStreamBuf::int_type PrefixedStreamBuf::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  const std::streamsize got = rest_->sgetn(buffer_, sizeof buffer_);
  if (got <= 0) return traits_type::eof();
  setg(buffer_, buffer_, buffer_ + got);
  return traits_type::to_int_type(*gptr());
}

}  // namespace orlin::tool
