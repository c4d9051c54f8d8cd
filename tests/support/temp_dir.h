// Test support: a fresh directory under /tmp, removed with everything in it
// when the object goes.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class TempDir {
 public:
  TempDir() {
    char name[] = "/tmp/csagnt-test-XXXXXX";
    path_ = mkdtemp(name);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

  // Writes `text` to the file `name` in the directory and returns its path.
  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(File(name), std::ios::binary) << text;
    return File(name);
  }

  // The contents of the file `name` in the directory, or "" when it cannot be read.
  std::string Read(const std::string& name) const { return ReadPath(File(name)); }

  // The contents of the file at `path`, or "" when it cannot be read.
  static std::string ReadPath(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::string path_;
};
