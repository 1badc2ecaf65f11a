// The capture's target file on a real file system: checked before anything is written, nameless while
// written, under its name only when complete, and nothing else left behind, even by a signal.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "target.h"

namespace
{

class CaptureTarget : public testing::Test
{
protected:
    std::string dir;

    void SetUp() override
    {
        char name[] = "/tmp/capture_target_test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override
    {
        target_discard();
        EXPECT_EQ(system(("chmod -R u+w " + dir + " && rm -rf " + dir).c_str()), 0);
    }

    // Every name in a folder, hidden ones included, sorted.
    static std::vector<std::string> listing(const std::string& folder)
    {
        std::vector<std::string> names;
        DIR* d = opendir(folder.c_str());
        for (dirent* entry = d ? readdir(d) : nullptr; entry; entry = readdir(d))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                names.push_back(entry->d_name);
        if (d)
            closedir(d);
        std::sort(names.begin(), names.end());
        return names;
    }
    static void write(const std::string& path, const std::string& text)
    {
        FILE* f = fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr) << path;
        fputs(text.c_str(), f);
        fclose(f);
    }
    static std::string read(const std::string& path)
    {
        std::string text;
        FILE* f = fopen(path.c_str(), "rb");
        for (int c = f ? fgetc(f) : EOF; c != EOF; c = fgetc(f))
            text += (char)c;
        if (f)
            fclose(f);
        return text;
    }
    // target_open with stderr caught; the message is left in said.
    bool open(const std::string& output, bool force, TargetFile file = TARGET_UNNAMED)
    {
        held = output;
        testing::internal::CaptureStderr();
        const bool opened = target_open(held.c_str(), force, file);
        said = testing::internal::GetCapturedStderr();
        return opened;
    }
    bool publish()
    {
        testing::internal::CaptureStderr();
        const bool published = target_publish();
        said = testing::internal::GetCapturedStderr();
        return published;
    }
    std::string held; // target_open keeps the name it is given
    std::string said;
};

TEST_F(CaptureTarget, TheFileHasNoNameUntilCompleteThenTheTargetsWithANewFilesPermissions)
{
    for (const TargetFile file : { TARGET_UNNAMED, TARGET_HIDDEN }) {
        const std::string target = dir + "/intro.mkv";
        unlink(target.c_str());
        const mode_t mask = umask(027);
        ASSERT_TRUE(open(target, false, file)) << said;
        write(target_path(), "frames");
        if (file == TARGET_UNNAMED) {
            EXPECT_EQ(listing(dir), std::vector<std::string> {});
        } else {
            // hidden beside the target, under a name that says whose it is
            ASSERT_EQ(listing(dir).size(), 1u);
            EXPECT_EQ(listing(dir)[0].rfind(".intro.mkv.", 0), 0u) << listing(dir)[0];
        }
        ASSERT_TRUE(publish()) << said;
        umask(mask);
        EXPECT_EQ(said, "");
        EXPECT_EQ(listing(dir), std::vector<std::string> { "intro.mkv" });
        EXPECT_EQ(read(target), "frames");
        struct stat made;
        ASSERT_EQ(stat(target.c_str(), &made), 0);
        EXPECT_EQ(made.st_mode & 0777, 0640u);
    }
}

TEST_F(CaptureTarget, ADiscardedFileLeavesTheFolderAsItWas)
{
    write(dir + "/other", "x");
    for (const TargetFile file : { TARGET_UNNAMED, TARGET_HIDDEN }) {
        ASSERT_TRUE(open(dir + "/intro.mkv", false, file)) << said;
        write(target_path(), "half");
        target_discard();
        EXPECT_EQ(listing(dir), std::vector<std::string> { "other" });
    }
}

TEST_F(CaptureTarget, AnExistingFileIsKeptWithoutForceAndReplacedWithIt)
{
    const std::string target = dir + "/intro.mkv";
    for (const TargetFile file : { TARGET_UNNAMED, TARGET_HIDDEN }) {
        write(target, "old");
        EXPECT_FALSE(open(target, false, file));
        EXPECT_EQ(said, "glimmerhorn-capture: " + target + " exists; --force replaces it\n");
        ASSERT_TRUE(open(target, true, file)) << said;
        write(target_path(), "new");
        EXPECT_EQ(read(target), "old");
        ASSERT_TRUE(publish()) << said;
        EXPECT_EQ(read(target), "new");
        EXPECT_EQ(listing(dir), std::vector<std::string> { "intro.mkv" });
    }
}

TEST_F(CaptureTarget, AFileMadeByOthersMeanwhileIsKeptAndTheCaptureDropped)
{
    const std::string target = dir + "/intro.mkv";
    for (const TargetFile file : { TARGET_UNNAMED, TARGET_HIDDEN }) {
        unlink(target.c_str());
        ASSERT_TRUE(open(target, false, file)) << said;
        write(target_path(), "ours");
        write(target, "theirs");
        EXPECT_FALSE(publish());
        EXPECT_EQ(said,
            "glimmerhorn-capture: " + target
                + " was made by something else while capturing; this capture is "
                  "not kept\n");
        EXPECT_EQ(read(target), "theirs");
        EXPECT_EQ(listing(dir), std::vector<std::string> { "intro.mkv" });
    }
}

TEST_F(CaptureTarget, TheNameGoesIntoTheFolderEvenAfterTheFolderMoved)
{
    ASSERT_EQ(mkdir((dir + "/a").c_str(), 0755), 0);
    ASSERT_TRUE(open(dir + "/a/intro.mkv", false)) << said;
    write(target_path(), "frames");
    ASSERT_EQ(rename((dir + "/a").c_str(), (dir + "/b").c_str()), 0);
    ASSERT_TRUE(publish()) << said;
    EXPECT_EQ(read(dir + "/b/intro.mkv"), "frames");
}

TEST_F(CaptureTarget, BadTargetsAreRefusedInOneLineAndNothingIsMade)
{
    ASSERT_EQ(mkdir((dir + "/d.mkv").c_str(), 0755), 0);
    write(dir + "/file", "x");
    const std::string prefix = "glimmerhorn-capture: cannot write ";
    EXPECT_FALSE(open(dir + "/d.mkv", true));
    EXPECT_EQ(said, prefix + dir + "/d.mkv: it is a folder\n");
    EXPECT_FALSE(open(dir + "/none/x.gif", false));
    EXPECT_EQ(said, prefix + dir + "/none/x.gif: there is no folder " + dir + "/none\n");
    EXPECT_FALSE(open(dir + "/file/x.mkv", false));
    EXPECT_EQ(said, prefix + dir + "/file/x.mkv: " + dir + "/file is not a folder\n");
    const std::string too_long = std::string(252, 'n') + ".mkv";
    EXPECT_FALSE(open(dir + "/" + too_long, false));
    EXPECT_EQ(
        said, prefix + dir + "/" + too_long + ": the name is longer than the 255 bytes its folder takes\n");
    // a folder that takes no file: a read-only one, or for root, who writes in those too, sysfs
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
    const std::string closed = geteuid() == 0 ? "/sys" : dir;
    EXPECT_FALSE(open(closed + "/x.mkv", false));
    EXPECT_EQ(said, prefix + closed + "/x.mkv: cannot make a file in " + closed + ": Permission denied\n");
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    EXPECT_EQ(listing(dir), (std::vector<std::string> { "d.mkv", "file" }));
    EXPECT_EQ(listing(dir + "/d.mkv"), std::vector<std::string> {});
}

TEST_F(CaptureTarget, ALongestNameWorksAndItsHiddenNameStillFits)
{
    const std::string name = std::string(251, 'n') + ".gif";
    for (const TargetFile file : { TARGET_HIDDEN, TARGET_UNNAMED }) {
        ASSERT_TRUE(open(dir + "/" + name, true, file)) << said;
        if (file == TARGET_HIDDEN) {
            ASSERT_EQ(listing(dir).size(), 1u);
            EXPECT_LE(listing(dir)[0].size(), 255u);
        }
        write(target_path(), "frames");
        // over an existing file the unnamed one is linked under a hidden name first
        ASSERT_TRUE(publish()) << said;
        EXPECT_EQ(listing(dir), std::vector<std::string> { name });
    }
}

// A program killed by a signal it did not handle takes its hidden file with it.
TEST_F(CaptureTarget, AHiddenFileGoesWithAnySignalThatEndsTheProgram)
{
    for (const int number : { SIGUSR1, SIGABRT, SIGALRM, SIGRTMIN + 3 }) {
        const pid_t child = fork();
        if (child == 0) {
            const std::string target = dir + "/intro.mkv";
            if (!target_open(target.c_str(), false, TARGET_HIDDEN))
                _exit(3);
            raise(number);
            _exit(4);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << number << ": ended with " << status;
        EXPECT_EQ(WTERMSIG(status), number);
        EXPECT_EQ(listing(dir), std::vector<std::string> {}) << number;
    }
}

} // namespace
