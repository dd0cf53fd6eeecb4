// Input and output files of the commands, "-" standing for standard input or
// output. An output file that a failed command leaves half-written is removed,
// unless it is not a regular file (/dev/null, a named pipe).
#pragma once

#include <fstream>
#include <iostream>
#include <string>

namespace orlin::tool {

class InputFile {
 public:
  // Throws ToolError when the file cannot be opened.
  explicit InputFile(const std::string& name);
  std::istream& stream() { return name_ == "-" ? std::cin : file_; }

 private:
  std::string name_;
  std::ifstream file_;
};

class OutputFile {
 public:
  explicit OutputFile(const std::string& name);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::ostream& stream() { return name_ == "-" ? std::cout : file_; }
  // Flushes and closes; throws ToolError when the data did not all get out.
  // Without it the file is removed.
  void Commit();

 private:
  std::string name_;
  std::ofstream file_;
  bool committed_ = false;
  // Only a regular file (or a new one) is ever removed: never a device or pipe.
  bool removable_ = false;
};

}  // namespace orlin::tool
