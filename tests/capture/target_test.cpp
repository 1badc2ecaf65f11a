// The capture's target file on a real file system, both ways it can be made:
// what the end-to-end test cannot reach (the hidden stand-in, a rival file, a
// folder moved meanwhile) and the refusals.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "target.h"

namespace
{

// Every name in a folder, hidden ones included, sorted.
std::vector<std::string> listing(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

void write(const std::string& path, const char* text) { std::ofstream(path) << text; }
std::string read(const std::string& path)
{
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

class CaptureTarget : public testing::TestWithParam<TargetFile>
{
protected:
    std::string dir;
    std::string said; // stderr of the last open or publish
    std::string held; // target_open keeps the name it is given

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
    bool open(const std::string& output, bool force)
    {
        held = output;
        testing::internal::CaptureStderr();
        const bool opened = target_open(held.c_str(), force, GetParam());
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
};

TEST_P(CaptureTarget, TheFileTakesItsNameWhenCompleteOverAnOldOneOnlyWithForceAndNeverOverARivals)
{
    const std::string target = dir + "/" + std::string(246, 'n') + ".gif"; // 250 bytes
    ASSERT_TRUE(open(target, false)) << said;
    write(target_path(), "first");
    // nothing under another name but a hidden one, which fits
    const std::vector<std::string> meanwhile = listing(dir);
    ASSERT_EQ(meanwhile.size(), GetParam() == TARGET_HIDDEN ? 1u : 0u);
    EXPECT_TRUE(meanwhile.empty() || (meanwhile[0][0] == '.' && meanwhile[0].size() <= 255)) << meanwhile[0];
    ASSERT_TRUE(publish()) << said;

    ASSERT_TRUE(open(target, true)) << said;
    write(target_path(), "second");
    EXPECT_EQ(read(target), "first");
    ASSERT_TRUE(publish()) << said;
    EXPECT_EQ(read(target), "second");

    ASSERT_EQ(unlink(target.c_str()), 0);
    ASSERT_TRUE(open(target, false)) << said;
    write(target, "theirs");
    EXPECT_FALSE(publish());
    EXPECT_EQ(said,
        "glimmerhorn-capture: " + target
            + " was made by something else while capturing; this "
              "capture is not kept\n");
    EXPECT_EQ(read(target), "theirs");
    EXPECT_EQ(listing(dir).size(), 1u);
}

TEST_P(CaptureTarget, TheNameGoesIntoTheFolderEvenAfterTheFolderMoved)
{
    ASSERT_EQ(mkdir((dir + "/a").c_str(), 0755), 0);
    ASSERT_TRUE(open(dir + "/a/intro.mkv", false)) << said;
    write(target_path(), "frames");
    ASSERT_EQ(rename((dir + "/a").c_str(), (dir + "/b").c_str()), 0);
    ASSERT_TRUE(publish()) << said;
    EXPECT_EQ(listing(dir + "/b"), std::vector<std::string> { "intro.mkv" });
}

TEST_P(CaptureTarget, TargetsThatCannotBeWrittenAreRefusedInOneLine)
{
    write(dir + "/file", "x");
    const std::string too_long = dir + "/" + std::string(252, 'n') + ".mkv";
    // a folder that takes no file: a read-only one, or for root, who writes in
    // those too, sysfs
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
    const std::string closed = geteuid() == 0 ? "/sys" : dir;
    for (const auto& [output, why] : { std::make_pair(dir + "/file/x.mkv", dir + "/file is not a folder"),
             std::make_pair(too_long, std::string("the name is longer than the 255 bytes its folder takes")),
             std::make_pair(closed + "/x.mkv", "cannot make a file in " + closed + ": Permission denied") }) {
        EXPECT_FALSE(open(output, false));
        EXPECT_EQ(said, "glimmerhorn-capture: cannot write " + output + ": " + why + "\n");
    }
    EXPECT_EQ(listing(dir), std::vector<std::string> { "file" });
}

INSTANTIATE_TEST_SUITE_P(UnnamedAndHidden, CaptureTarget, testing::Values(TARGET_UNNAMED, TARGET_HIDDEN));

// A program killed by a signal it does not handle takes its hidden file with
// it.
TEST(CaptureHiddenTarget, GoesWithAnySignalThatEndsTheProgram)
{
    char dir[] = "/tmp/capture_target_test.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    for (const int number : { SIGUSR1, SIGABRT, SIGRTMIN + 3 }) {
        const pid_t child = fork();
        if (child == 0) {
            const std::string target = std::string(dir) + "/intro.mkv";
            raise(target_open(target.c_str(), false, TARGET_HIDDEN) && listing(dir).size() == 1 ? number
                                                                                                : SIGKILL);
            _exit(4);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == number) << number << ": ended with " << status;
        EXPECT_EQ(listing(dir), std::vector<std::string> {}) << number;
    }
    rmdir(dir);
}

} // namespace
