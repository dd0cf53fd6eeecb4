// The hive file: its name, reading it when it changed on disk, and replacing it
// atomically, so that a crash or a full disk never leaves half a file behind.
#include "platform/posix/win32/registry_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace orlin::platform {
namespace {

std::atomic<RegistryHive> g_selectedHive{RegistryHive::kPc};

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

std::string ConfigDirectory() {
  const std::string xdg = Environment("XDG_CONFIG_HOME");
  if (!xdg.empty() && xdg.front() == '/') return xdg;  // relative values are ignored, as XDG says
  std::string home = Environment("HOME");
  if (home.empty()) {
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
      home = entry->pw_dir;
    }
  }
  return home.empty() ? std::string() : home + "/.config";
}

}  // namespace

void SelectRegistryHive(RegistryHive hive) { g_selectedHive.store(hive); }

std::string RegistryHiveFile() {
  const bool phone = g_selectedHive.load() == RegistryHive::kPhone;
  std::string path = Environment(phone ? "ORLIN_PHONE_REGISTRY" : "ORLIN_PC_REGISTRY");
  if (!path.empty()) return path;
  const std::string config = ConfigDirectory();
  if (config.empty()) return {};
  return config + (phone ? "/orlin/phone.reg" : "/orlin/pc.reg");
}

namespace registry {
namespace {

// Creates every missing directory above `path`.
bool MakeParentDirectories(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string directory = path.substr(0, slash);
    if (mkdir(directory.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[8192];
  bool ok = true;
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ok = false;
    if (got <= 0) break;
    text.append(buffer, std::size_t(got));
  }
  close(fd);
  return ok;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += std::size_t(wrote);
  }
  return true;
}

// A symbolic link (a settings file kept with the user's dotfiles) is followed,
// so the replace lands on its target and the link stays.
std::string ReplaceTarget(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) != nullptr) return resolved;
  return path;
}

}  // namespace

HiveFile::Source HiveFile::Read(const std::string& path) {
  Source source;
  source.path = path;
  if (path.empty()) return source;
  if (ReadWholeFile(path, source.text)) {
    source.exists = true;
  } else if (errno != ENOENT) {
    source.exists = true;
    source.readable = false;
    source.text = std::strerror(errno);  // kept for the message
  }
  return source;
}

void HiveFile::Load(Source source) {
  source_ = std::move(source);
  hive_ = Hive{};
  loaded_ = true;
  writable_ = ERROR_SUCCESS;
  if (source_.path.empty()) {
    std::fprintf(stderr, "orlin: no settings file: neither HOME nor XDG_CONFIG_HOME is set\n");
    writable_ = ERROR_CANTWRITE;
    return;
  }
  if (!source_.exists) return;  // no file yet: an empty hive, created at the first write
  if (!source_.readable) {
    std::fprintf(stderr, "orlin: %s: cannot be read (%s); using no stored settings\n",
                 source_.path.c_str(), source_.text.c_str());
    writable_ = ERROR_CANTWRITE;
    return;
  }
  if (const auto error = ParseRegFile(source_.text, hive_)) {
    std::fprintf(stderr,
                 "orlin: %s:%d: %s; the settings in this file are ignored, and it is not "
                 "overwritten until it is mended\n",
                 source_.path.c_str(), error->line, error->message.c_str());
    hive_ = Hive{};
    writable_ = ERROR_BADDB;
  }
}

Hive& HiveFile::Current() {
  Source source = Read(RegistryHiveFile());
  if (!loaded_ || !(source == source_)) Load(std::move(source));
  return hive_;
}

LSTATUS HiveFile::CheckWritable() const {
  if (writable_ == ERROR_BADDB) {
    std::fprintf(stderr, "orlin: %s: not written, it is malformed (see the message above)\n",
                 source_.path.c_str());
  }
  return writable_;
}

LSTATUS HiveFile::Save() {
  if (const LSTATUS status = CheckWritable(); status != ERROR_SUCCESS) return status;
  const std::string target = ReplaceTarget(source_.path);
  const std::string text = FormatRegFile(hive_);
  std::vector<char> temporary(target.begin(), target.end());
  for (char c : std::string_view(".XXXXXX")) temporary.push_back(c);
  temporary.push_back('\0');

  bool ok = MakeParentDirectories(target);
  const int fd = ok ? mkstemp(temporary.data()) : -1;
  ok = fd >= 0;
  if (ok) {
    struct stat old;
    const mode_t mode = stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    ok = fchmod(fd, mode) == 0 && WriteAll(fd, text) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temporary.data(), target.c_str()) == 0;
    if (!ok) {
      const int error = errno;
      unlink(temporary.data());
      errno = error;
    }
  }
  if (!ok) {
    std::fprintf(stderr, "orlin: %s: cannot be written (%s); the change is lost\n", target.c_str(),
                 std::strerror(errno));
    loaded_ = false;  // forget the unsaved change: read the file as it is
    return ERROR_CANTWRITE;
  }
  source_.exists = true;
  source_.text = text;
  return ERROR_SUCCESS;
}

HiveFile& TheHiveFile() {
  static HiveFile file;
  return file;
}

}  // namespace registry
}  // namespace orlin::platform
