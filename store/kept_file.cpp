#include "store/kept_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "store/places.h"

namespace {

// A file larger than this is no file of ours.
constexpr off_t kMaxBytes = 4 << 20;
// How long another copy's hold on a file's lock is waited for: 3 s in steps of 10 ms.
constexpr int kLockTries = 300;
constexpr useconds_t kLockPauseUs = 10000;

bool write_all(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool sync_folder(const std::string& dir) {
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

bool exists_at(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

}  // namespace

KeptFile::KeptFile(std::string dir_t, std::string name_t)
    : dir(std::move(dir_t)), name(std::move(name_t)), writable(!dir.empty()) {}

void KeptFile::Say(const std::string& line) {
    if (said) return;
    said = true;
    std::fprintf(stderr, "velmora: %s\n", line.c_str());
}

KeptFile::Loaded KeptFile::Load(std::string& text) {
    text.clear();
    if (dir.empty()) return Loaded::kMissing;
    // Without waiting: a FIFO put in the file's place must not hold the game at start-up. A link
    // that points nowhere is a missing file.
    const int fd = open(path().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 && errno == ENOENT) return Loaded::kMissing;
    std::string why;
    struct stat st;
    if (fd < 0) {
        why = std::strerror(errno);
    } else if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = "not a plain file";
    } else if (st.st_size > kMaxBytes) {
        why = "larger than any file of ours";
    } else {
        char buffer[8192];
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, n);
        if (n < 0) why = std::strerror(errno);
    }
    if (fd >= 0) close(fd);
    if (why.empty()) return Loaded::kRead;
    text.clear();
    SetAside(why);
    return Loaded::kUnreadable;
}

void KeptFile::SetAside(const std::string& why) {
    const std::string from = path();
    for (int n = 1; n <= 99; ++n) {
        const std::string to = from + ".bad" + (n == 1 ? "" : "." + std::to_string(n));
        if (exists_at(to)) continue;
        if (rename(from.c_str(), to.c_str()) == 0) {
            Say("can't use " + from + " (" + why + "): moved it to " + to +
                ", going on without it");
            return;
        }
        break;
    }
    writable = false;
    Say("can't use " + from + " (" + why + "), nor move it aside: it is left as it is");
}

void KeptFile::Protect(const std::string& why) {
    writable = false;
    Say(path() + " " + why + ": it is read, never written");
}

// A link (kept by a dotfile manager, say) stays a link: the text goes to its final target, by a
// temporary file beside that target. A link that points nowhere is replaced like a missing file.
std::string KeptFile::Target() const {
    char* resolved = realpath(path().c_str(), nullptr);
    const std::string target = resolved ? resolved : path();
    std::free(resolved);
    return target;
}

bool KeptFile::Save(const std::string& text) {
    if (!writable) return false;
    std::string why;
    if (!MakeFolders(dir, why)) {
        Say(why + "; the game plays on without keeping " + name);
        return false;
    }
    const std::string target = Target();
    std::string temp = target + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        Say("can't write " + path() + ": " + std::strerror(errno) + "; the game plays on");
        return false;
    }
    // Readable by its owner alone, like the folder.
    bool ok = fchmod(fd, 0600) == 0 && write_all(fd, text) && fsync(fd) == 0;
    const int saved_errno = errno;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), target.c_str()) == 0) {
        sync_folder(target.substr(0, target.rfind('/')));
        return true;
    }
    const std::string reason = std::strerror(ok ? errno : saved_errno);
    unlink(temp.c_str());
    Say("can't write " + path() + ": " + reason + "; the game plays on");
    return false;
}

bool KeptFile::Remove() {
    if (dir.empty() || !writable) return false;
    if (unlink(path().c_str()) != 0 && errno != ENOENT) return false;
    sync_folder(dir);
    return true;
}

// Two copies of the game may each change the file: whoever holds the lock reads the file again,
// changes it and writes it, so that neither loses what the other wrote. The lock is waited for a
// few seconds at most; after that the change is made without it.
void KeptFile::Locked(const std::function<void()>& change) {
    std::string why;
    const int fd = writable && MakeFolders(dir, why)
                       ? open((path() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)
                       : -1;
    for (int tries = 0; fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0 && tries < kLockTries; ++tries)
        usleep(kLockPauseUs);
    change();
    if (fd >= 0) close(fd);
}
