// Temporary files and directories for tests, removed when the object goes,
// and whole-file reading and writing.
#pragma once

#include <optional>
#include <string>

#include <sys/types.h>

namespace test_support {

// A fresh directory below $TMPDIR (or /tmp), removed with everything below it,
// whatever modes a test left on it, when the object goes.
class temp_dir {
  public:
    explicit temp_dir(const std::string &prefix = "mibscope-test");
    ~temp_dir();
    temp_dir(const temp_dir &) = delete;
    temp_dir &operator=(const temp_dir &) = delete;

    const std::string &path() const { return path_; }

  private:
    std::string path_;
};

// A fresh empty file below $TMPDIR (or /tmp), removed when the object goes.
class temp_file {
  public:
    explicit temp_file(const std::string &prefix = "mibscope-test");
    ~temp_file();
    temp_file(const temp_file &) = delete;
    temp_file &operator=(const temp_file &) = delete;

    const std::string &path() const { return path_; }

  private:
    std::string path_;
};

// Writes `content` byte for byte as the whole file at `path`, creating the
// directories above it that are missing, and then sets `mode` when one is
// given. Throws std::runtime_error when the file cannot be written.
void write_file(const std::string &path, const std::string &content,
                std::optional<mode_t> mode = std::nullopt);

// The whole content of a file, byte for byte; empty when it cannot be read.
std::string read_file(const std::string &path);

} // namespace test_support
