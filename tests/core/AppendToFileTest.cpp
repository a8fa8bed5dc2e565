#include "core/WholeFile.h"
#include "tests/core/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace kvx {
namespace {

TEST(AppendToFile, CreatesAPrivateFileAndOnlyEverAppends)
{
    const test::TempDir dir;
    const std::string log = dir.path("KalvendorixLog.txt");
    const mode_t mask = ::umask(0);
    ASSERT_TRUE(appendToFile(log, "one\r\n"));
    ::umask(mask);
    ASSERT_TRUE(appendToFile(log, "two\r\n"));
    std::string bytes;
    ASSERT_EQ(readWholeFile(log, bytes, 1024), ReadStatus::Read);
    EXPECT_EQ(bytes, "one\r\ntwo\r\n");
    struct stat status { };
    ASSERT_EQ(::stat(log.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777U, 0600U);
}

TEST(AppendToFile, RefusesWhatIsNotARegularFile)
{
    const test::TempDir dir;
    ASSERT_EQ(::mkdir(dir.path("folder").c_str(), 0700), 0);
    ASSERT_EQ(::mkfifo(dir.path("pipe").c_str(), 0600), 0);
    // A pipe nobody reads would block a plain open; a device would swallow the entry.
    for (const std::string& path : {dir.path("folder"), dir.path("pipe"), std::string("/dev/null"),
             dir.path("missing/KalvendorixLog.txt")}) {
        std::string reason;
        EXPECT_FALSE(appendToFile(path, "entry", &reason)) << path;
        EXPECT_FALSE(reason.empty()) << path;
    }
}

} // namespace
} // namespace kvx
