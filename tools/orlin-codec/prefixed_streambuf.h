// Hands back bytes already taken from a stream, then the rest of it: lets the
// report look at the start of standard input to tell Y4M from raw frames.
#pragma once

#include <streambuf>
#include <string>

namespace orlin::tool {

class PrefixedStreamBuf : public std::streambuf {
 public:
  PrefixedStreamBuf(std::string prefix, std::streambuf* rest);

 protected:
  int_type underflow() override;

 private:
  std::string prefix_;
  std::streambuf* rest_;
  char buffer_[1 << 16];
};

}  // namespace orlin::tool
