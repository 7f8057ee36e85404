#include "host_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "options.h"

namespace plan {
namespace {

std::string Place(const std::string& path) { return Printable(path) + ":0: error: "; }

// What a file that is not a regular one is, in words.
const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a pipe (FIFO)";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a regular file";
}

}  // namespace

bool RefuseNonFile(const std::string& path, const std::string& role, std::string* error) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return false;
  *error = Place(path) + "is " + KindOf(st.st_mode) + ", not a file: give the path of " + role +
           (S_ISDIR(st.st_mode) ? "" : " saved to disk");
  return true;
}

bool OpenHostFile(const std::string& path, const std::string& role, std::ifstream* in, long long* size,
                  std::string* error) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    const int code = errno;
    *error = Place(path) + (code == ENOENT || code == ENOTDIR ? "no such file: check the path (relative to the current folder)"
                                                             : std::string("cannot be looked at (") + strerror(code) + ")");
    return false;
  }
  if (RefuseNonFile(path, role, error)) return false;
  in->open(path, std::ios::binary);
  if (!*in) {
    *error = Place(path) + "cannot be opened (" + strerror(errno) + "): make it readable";
    return false;
  }
  *size = st.st_size;
  return true;
}

bool ReadHostFile(const std::string& path, const std::string& role, std::string* content, std::string* error) {
  std::ifstream in;
  long long size = 0;
  if (!OpenHostFile(path, role, &in, &size, error)) return false;
  // One piece of the size stat gave; a file that changes while it is read
  // is read again in full.
  content->assign(static_cast<size_t>(size), '\0');
  if (size > 0) in.read(&(*content)[0], size);
  if (in.gcount() != size || in.peek() != std::char_traits<char>::eof()) {
    *error = Place(path) + "changed or failed while it was read: read it again when it is written";
    return false;
  }
  return true;
}

}  // namespace plan
