#include "tests/support/temp_files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

namespace test_support {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string &what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// "<$TMPDIR or /tmp>/<prefix>-XXXXXX", for mkdtemp and mkstemp.
std::string pattern(const std::string &prefix) {
    const char *tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
}

// Gives the owner full access to `dir` and every directory below it, so that
// the tree can be removed whatever modes a test left.
void open_up(const fs::path &dir) {
    ::chmod(dir.c_str(), 0700);
    std::error_code ec;
    for (const auto &e : fs::directory_iterator(dir, ec))
        if (e.is_directory(ec) && !e.is_symlink(ec))
            open_up(e.path());
}

} // namespace

temp_dir::temp_dir(const std::string &prefix) : path_(pattern(prefix)) {
    if (mkdtemp(path_.data()) == nullptr)
        fail("mkdtemp " + path_);
}

temp_dir::~temp_dir() {
    open_up(path_);
    std::error_code ec;
    fs::remove_all(path_, ec);
}

temp_file::temp_file(const std::string &prefix) : path_(pattern(prefix)) {
    const int fd = mkstemp(path_.data());
    if (fd < 0)
        fail("mkstemp " + path_);
    close(fd);
}

temp_file::~temp_file() {
    unlink(path_.c_str());
}

void write_file(const std::string &path, const std::string &content, std::optional<mode_t> mode) {
    const fs::path parent = fs::path(path).parent_path();
    std::error_code ec;
    if (!parent.empty())
        fs::create_directories(parent, ec);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
        out.flush();
        if (!out.good())
            fail("write " + path);
    }
    if (mode && ::chmod(path.c_str(), *mode) != 0)
        fail("chmod " + path);
}

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace test_support
