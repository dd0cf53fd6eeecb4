#include "tools/orlin-codec/file_streams.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "tools/orlin-codec/tool_error.h"

namespace orlin::tool {
namespace {

std::string Reason() { return errno != 0 ? std::string(": ") + std::strerror(errno) : std::string(); }

}  // namespace

InputFile::InputFile(const std::string& name) : name_(name) {
  if (name_ == "-") return;
  std::error_code error;
  if (std::filesystem::is_directory(name_, error)) throw ToolError("cannot read " + name_ + ": it is a folder");
  errno = 0;
  file_.open(name_, std::ios::binary);
  if (!file_) throw ToolError("cannot open " + name_ + " for reading" + Reason());
}

OutputFile::OutputFile(const std::string& name) : name_(name) {
  if (name_ == "-") return;
  std::error_code error;
  const auto status = std::filesystem::status(name_, error);
  removable_ = !std::filesystem::exists(status) || std::filesystem::is_regular_file(status);
  errno = 0;
  file_.open(name_, std::ios::binary | std::ios::trunc);
  if (!file_) throw ToolError("cannot open " + name_ + " for writing" + Reason());
}

OutputFile::~OutputFile() {
  if (committed_ || name_ == "-" || !removable_) return;
  file_.close();
  std::remove(name_.c_str());
}

void OutputFile::Commit() {
  errno = 0;
  stream().flush();
  if (name_ != "-") file_.close();
  if (!stream()) throw ToolError("cannot write " + (name_ == "-" ? std::string("standard output") : name_) + Reason());
  committed_ = true;
}

}  // namespace orlin::tool
