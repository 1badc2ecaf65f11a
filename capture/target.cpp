// The capture's target file: an unnamed file in the target's folder, linked under the target's name
// once complete.
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "target.h"

// The file being written and where its name goes. The signal handler reads folder and hidden, and
// only while hidden_live is set.
struct Target {
    const char* output; // the target as given, for messages
    bool force;
    int folder; // the target's folder, held open: it is found again even after a rename
    long name_max; // the longest name the folder's file system takes
    char name[NAME_MAX + 1]; // the target's name within its folder
    int fd; // the file being written, -1 when there is none
    char path[32]; // /proc/self/fd/<fd>
    char hidden[NAME_MAX + 1]; // the file's hidden name, while it has one
    volatile sig_atomic_t hidden_live; // hidden names a file that must go if the program dies
    bool catching; // the handlers that remove it are in place
    unsigned seed; // draws the hidden names' letters; 0 until the first name is drawn
};
static Target target = { nullptr, false, -1, NAME_MAX, "", -1, "", "", 0, false, 0 };

static const char PROGRAM[] = "glimmerhorn-capture";

// Removes the hidden file on a signal that ends the program, then lets the signal do what it would
// have done: the handler is reset on entry, and the signal raised again is delivered on return.
static void on_deadly_signal(int number)
{
    const int saved = errno;
    if (target.hidden_live)
        unlinkat(target.folder, target.hidden, 0);
    raise(number);
    errno = saved;
}

// Puts on_deadly_signal on every signal that would end the program, except those the capture handles
// (SIGINT, SIGTERM, SIGHUP and SIGQUIT finish the file; SIGPIPE and SIGXFSZ are ignored) and those
// its caller chose to ignore. SIGKILL and SIGSTOP cannot be caught.
static void catch_deadly_signals()
{
    if (target.catching)
        return;
    target.catching = true;
    static const int DEADLY[] = { SIGABRT, SIGALRM, SIGBUS, SIGFPE, SIGILL, SIGIO, SIGPROF, SIGPWR, SIGSEGV,
        SIGSTKFLT, SIGSYS, SIGTRAP, SIGUSR1, SIGUSR2, SIGVTALRM, SIGXCPU };
    struct sigaction deadly = {};
    deadly.sa_handler = on_deadly_signal;
    deadly.sa_flags = (int)SA_RESETHAND;
    sigemptyset(&deadly.sa_mask);
    auto take = [&](int number) {
        struct sigaction old = {};
        if (sigaction(number, nullptr, &old) == 0 && old.sa_handler == SIG_DFL)
            sigaction(number, &deadly, nullptr);
    };
    for (const int number : DEADLY)
        take(number);
    for (int number = SIGRTMIN; number <= SIGRTMAX; number++)
        take(number);
}

// Finds a free hidden name beside the target, "." + the target's name (cut to fit) + "." + six
// letters, and makes it with make, which returns 0 or an errno value (EEXIST: try another).
template <typename Make> static int make_hidden(Make make)
{
    static const char LETTERS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    if (target.seed == 0)
        target.seed = (unsigned)getpid() * 2654435761u ^ (unsigned)time(nullptr);
    // "." before and ".XXXXXX" after: a name that fits keeps fitting
    const size_t kept = std::min(strlen(target.name), (size_t)target.name_max - 8);
    int why = EEXIST;
    for (int attempt = 0; attempt < 100 && why == EEXIST; attempt++) {
        char letters[7];
        for (int i = 0; i < 6; i++) {
            target.seed = target.seed * 1103515245u + 12345u;
            letters[i] = LETTERS[(target.seed >> 16) % (sizeof LETTERS - 1)];
        }
        letters[6] = '\0';
        snprintf(target.hidden, sizeof target.hidden, ".%.*s.%s", (int)kept, target.name, letters);
        why = make(target.hidden);
    }
    return why;
}

static bool target_fail(const char* format, const char* detail)
{
    fprintf(stderr, "%s: cannot write %s: ", PROGRAM, target.output);
    fprintf(stderr, format, detail);
    fputc('\n', stderr);
    target_discard();
    return false;
}

// Makes the file with no name; false with errno when the folder takes no file.
static bool open_unnamed()
{
    target.fd = openat(target.folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    return target.fd >= 0;
}

// Makes the file under a hidden name, for file systems with no unnamed files.
static bool open_hidden()
{
    catch_deadly_signals();
    // the name goes live once the file is made: a name that was taken is never removed
    const int why = make_hidden([](const char* name) {
        target.fd = openat(target.folder, name, O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
        if (target.fd < 0)
            return errno;
        target.hidden_live = 1;
        return 0;
    });
    errno = why;
    return why == 0;
}

bool target_open(const char* output, bool force, TargetFile file)
{
    target_discard();
    target.output = output;
    target.force = force;
    const char* slash = strrchr(output, '/');
    const std::string folder = slash == nullptr ? "." : slash == output ? "/" : std::string(output, slash);
    const char* name = slash == nullptr ? output : slash + 1;
    target.folder = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (target.folder < 0) {
        if (errno == ENOENT)
            return target_fail("there is no folder %s", folder.c_str());
        if (errno == ENOTDIR)
            return target_fail("%s is not a folder", folder.c_str());
        return target_fail("%s", strerror(errno));
    }
    const long name_max = fpathconf(target.folder, _PC_NAME_MAX);
    target.name_max = name_max > 8 && name_max <= NAME_MAX ? name_max : NAME_MAX;
    if (strlen(name) > (size_t)target.name_max) {
        char limit[32];
        snprintf(limit, sizeof limit, "%ld", target.name_max);
        return target_fail("the name is longer than the %s bytes its folder takes", limit);
    }
    snprintf(target.name, sizeof target.name, "%s", name);
    struct stat existing;
    if (fstatat(target.folder, target.name, &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(existing.st_mode))
            return target_fail("%s", "it is a folder");
        if (!force) {
            fprintf(stderr, "%s: %s exists; --force replaces it\n", PROGRAM, output);
            target_discard();
            return false;
        }
    } else if (errno != ENOENT) {
        return target_fail("%s", strerror(errno));
    }

    bool made = false;
    if (file == TARGET_UNNAMED) {
        made = open_unnamed();
        if (!made && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
            made = open_hidden();
    } else {
        made = open_hidden();
    }
    if (!made) {
        const std::string why = folder + ": " + strerror(errno);
        return target_fail("cannot make a file in %s", why.c_str());
    }
    snprintf(target.path, sizeof target.path, "/proc/self/fd/%d", target.fd);
    struct stat opened;
    if (stat(target.path, &opened) != 0)
        return target_fail("%s", "the file is written through /proc/self/fd, and /proc is not mounted");
    return true;
}

const char* target_path() { return target.path; }

// Gives the hidden file the target's name: over an existing file with --force, else only where none
// has appeared meanwhile.
static bool rename_hidden()
{
    int status = 0;
    if (target.force) {
        status = renameat(target.folder, target.hidden, target.folder, target.name);
    } else {
        status = renameat2(target.folder, target.hidden, target.folder, target.name, RENAME_NOREPLACE);
        // a file system that cannot refuse a replacement: look first
        if (status != 0 && (errno == EINVAL || errno == ENOSYS)) {
            struct stat existing;
            if (fstatat(target.folder, target.name, &existing, AT_SYMLINK_NOFOLLOW) == 0)
                errno = EEXIST;
            else
                status = renameat(target.folder, target.hidden, target.folder, target.name);
        }
    }
    if (status == 0)
        target.hidden_live = 0;
    return status == 0;
}

// Gives the unnamed file the target's name. A link cannot replace a file, so with --force over an
// existing one it is linked under a hidden name first and renamed over the target.
static bool link_unnamed()
{
    if (linkat(AT_FDCWD, target.path, target.folder, target.name, AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != EEXIST || !target.force)
        return false;
    catch_deadly_signals();
    const int why = make_hidden([](const char* name) {
        if (linkat(AT_FDCWD, target.path, target.folder, name, AT_SYMLINK_FOLLOW) != 0)
            return errno;
        target.hidden_live = 1;
        return 0;
    });
    errno = why;
    return why == 0 && rename_hidden();
}

bool target_publish()
{
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(target.fd, 0666 & ~mask);
    const bool named = target.hidden_live ? rename_hidden() : link_unnamed();
    if (named) {
        target_discard();
        return true;
    }
    if (errno == EEXIST) {
        fprintf(stderr, "%s: %s was made by something else while capturing; this capture is not kept\n",
            PROGRAM, target.output);
        target_discard();
        return false;
    }
    return target_fail("%s", strerror(errno));
}

void target_discard()
{
    if (target.hidden_live) {
        unlinkat(target.folder, target.hidden, 0);
        target.hidden_live = 0;
    }
    if (target.fd >= 0)
        close(target.fd);
    if (target.folder >= 0)
        close(target.folder);
    target.fd = -1;
    target.folder = -1;
    target.path[0] = '\0';
}
