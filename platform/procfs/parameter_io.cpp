// sysctl() on /proc/sys: a parameter's value is the content of its file,
// read and written the moment it is asked for.
#include "platform/kernel.h"
#include "platform/procfs/snapshot.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace mibscope {
namespace {

struct fd_closer {
    int fd;
    ~fd_closer() {
        if (fd >= 0)
            close(fd);
    }
};

// Opens the file of a parameter node. O_NOFOLLOW: a link put in its place is
// not followed; O_NONBLOCK: an entry replaced by a FIFO never hangs the
// caller. Returns the descriptor, or -1 with errno set; an entry that is no
// longer a regular file (a directory aside, which open or read report
// themselves as EISDIR) is gone as far as the snapshot is concerned: ENOENT.
int open_parameter(const std::string &path, int flags) {
    const int fd = open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0) {
        const int err = errno;
        close(fd);
        errno = err;
        return -1;
    }
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        close(fd);
        errno = ENOENT;
        return -1;
    }
    return fd;
}

// The whole content of the file, read in one go from offset 0. /proc/sys
// handlers produce their value in a single read and answer a further read at
// a later offset with nothing (or only the rest of a string), so a read that
// fills the buffer is repeated from offset 0 with a larger one. /proc files
// report size 0, so the size is found by reading.
int read_content(const std::string &path, std::string &content) {
    const int fd = open_parameter(path, O_RDONLY);
    if (fd < 0)
        return -1;
    fd_closer closer{fd};
    std::size_t capacity = 4096;
    for (;;) {
        content.resize(capacity);
        const ssize_t n = pread(fd, content.data(), capacity, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (static_cast<std::size_t>(n) < capacity) {
            content.resize(static_cast<std::size_t>(n));
            return 0;
        }
        capacity *= 2;
    }
}

// Size probe (oldp null) or read of a parameter: the content less one
// trailing newline, then a NUL.
int read_parameter(const procfs::located &at, void *oldp, std::size_t *oldlenp) {
    if (at.node->type == CTLTYPE_NODE) {
        errno = EISDIR;
        return -1;
    }
    std::string content;
    if (read_content(procfs::node_path(at), content) != 0)
        return -1;
    if (!content.empty() && content.back() == '\n')
        content.pop_back();
    const std::size_t size = content.size() + 1;
    if (oldp == nullptr) {
        *oldlenp = size;
        return 0;
    }
    if (*oldlenp < size) {
        errno = ENOMEM;
        return -1;
    }
    std::memcpy(oldp, content.c_str(), size);
    *oldlenp = size;
    return 0;
}

// Write of a parameter: the bytes before the first NUL (all of them when
// there is none), with one write(2) from offset 0. O_TRUNC makes a regular
// file hold exactly the new text; on /proc it changes nothing. A write that
// takes fewer bytes than sent is a failure (EIO), never a success.
int write_parameter(const procfs::located &at, const void *newp, std::size_t newlen) {
    if (at.node->type != CTLTYPE_STRING) {
        errno = EINVAL;
        return -1;
    }
    const void *nul = std::memchr(newp, '\0', newlen);
    const std::size_t length = nul != nullptr
                                   ? static_cast<std::size_t>(static_cast<const char *>(nul) -
                                                              static_cast<const char *>(newp))
                                   : newlen;
    const int fd = open_parameter(procfs::node_path(at), O_WRONLY | O_TRUNC);
    if (fd < 0)
        return -1;
    fd_closer closer{fd};
    ssize_t n;
    do
        n = write(fd, newp, length);
    while (n < 0 && errno == EINTR);
    if (n < 0)
        return -1;
    if (static_cast<std::size_t>(n) != length) {
        errno = EIO;
        return -1;
    }
    return 0;
}

} // namespace

int sysctl(const int *name, unsigned int namelen, void *oldp, size_t *oldlenp, const void *newp,
           size_t newlen) {
    const procfs::located at = procfs::locate(name, namelen);
    if (at.node == nullptr)
        return -1;
    try {
        if (oldlenp != nullptr && read_parameter(at, oldp, oldlenp) != 0)
            return -1;
        if (newp != nullptr && write_parameter(at, newp, newlen) != 0)
            return -1;
    } catch (const std::bad_alloc &) {
        errno = ENOMEM;
        return -1;
    }
    return 0;
}

} // namespace mibscope
