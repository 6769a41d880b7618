// An argument vector for calling a program's entry point in-process: the
// texts are the object's own, argv() points into them and ends with a null
// pointer, as main() receives it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace test_support {

class command_line {
  public:
    explicit command_line(std::vector<std::string> args) : args_(std::move(args)) {
        for (std::string &a : args_)
            pointers_.push_back(a.data());
        pointers_.push_back(nullptr);
    }
    // The pointers refer into the texts: neither may be copied apart.
    command_line(const command_line &) = delete;
    command_line &operator=(const command_line &) = delete;

    int argc() const { return static_cast<int>(args_.size()); }
    char **argv() { return pointers_.data(); }

  private:
    std::vector<std::string> args_;
    std::vector<char *> pointers_;
};

} // namespace test_support
