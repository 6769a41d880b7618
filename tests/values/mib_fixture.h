// A tree taken from the in-memory kernel, with its nodes found by name, and the
// helpers the value tests share.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/oidtree.h"
#include "tests/support/dialog_double.h"
#include "tests/support/fake_kernel.h"
#include "tests/support/alloc_failure.h"

namespace values_test {

using bytes = std::vector<unsigned char>;

class mib {
  public:
    explicit mib(const std::string &description) {
        fake_kernel::load(description);
        list_ = oidtree_mib();
        index(list_);
    }
    ~mib() { oidtree_freemib(list_); }
    mib(const mib &) = delete;
    mib &operator=(const mib &) = delete;

    oidtree_object *operator[](const std::string &name) const {
        auto it = nodes_.find(name);
        if (it == nodes_.end()) {
            ADD_FAILURE() << "no node " << name;
            return nullptr;
        }
        return it->second;
    }

  private:
    void index(oidtree_list *list) {
        if (list == nullptr)
            return;
        for (oidtree_object *o = list->first; o != nullptr; o = o->next) {
            nodes_[o->name] = o;
            index(o->children);
        }
    }
    oidtree_list *list_;
    std::map<std::string, oidtree_object *> nodes_;
};

// The raw bytes of a sequence of elements of type T, in the machine's layout.
template <typename T> bytes bytes_of(std::initializer_list<T> elements) {
    bytes out(elements.size() * sizeof(T));
    std::memcpy(out.data(), std::data(elements), out.size());
    return out;
}

// A scripted answer to a dialog: its code, a form's typed text, the library's
// error text.
inline dialog_double::response answer(int code, std::optional<std::string> typed = {},
                                      std::optional<std::string> error = {}) {
    dialog_double::response r;
    r.code = code;
    r.value = std::move(typed);
    r.error = std::move(error);
    return r;
}

// Death tests match standard error; die() writes to standard output.
inline void stdout_to_stderr() {
    dup2(2, 1);
}

// Resets both doubles and disarms allocation failures around every test.
class values_fixture : public testing::Test {
  protected:
    void SetUp() override {
        dialog_double::reset();
        alloc_failure::disarm();
    }
    void TearDown() override { alloc_failure::disarm(); }
};

} // namespace values_test
