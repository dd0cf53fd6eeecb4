// The hive file behind the Linux registry: which file, reading it when it has
// changed on disk, and writing it back by atomic replace.
#pragma once

#include <string>

#include "platform/posix/win32/registry_hive.h"

namespace orlin::platform::registry {

class HiveFile {
 public:
  // The hive as the selected file holds it now (another process may have
  // written it since the last call). A file that cannot be read or parsed
  // gives an empty hive, reported on stderr once per version of the file.
  Hive& Current();

  // ERROR_SUCCESS when the current hive may be written back; ERROR_BADDB for a
  // malformed file (never clobbered), ERROR_CANTWRITE when there is no file
  // name or the file could not be read.
  LSTATUS CheckWritable() const;

  // Writes the current hive to a temporary file and renames it over the old
  // one. On failure the unsaved change is dropped (the next Current() reads the
  // file again) and ERROR_CANTWRITE is returned.
  LSTATUS Save();

 private:
  // What the hive was read from: a file read again with the same name and
  // text is not parsed again (and a fault in it is not reported again).
  struct Source {
    std::string path;
    bool exists = false;
    bool readable = true;
    std::string text;
    bool operator==(const Source&) const = default;
  };
  static Source Read(const std::string& path);
  void Load(Source source);

  Hive hive_;
  Source source_;
  bool loaded_ = false;
  LSTATUS writable_ = ERROR_SUCCESS;
};

// Not thread-safe by itself: callers hold the registry lock.
HiveFile& TheHiveFile();

}  // namespace orlin::platform::registry
