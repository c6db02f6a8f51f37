// Asset paths and ordering, the content hash, File's change tracking against real files with
// explicit time stamps and a driven wall clock, and the safe writer: whole files or none, the
// system's reason on failure, pipes written in place.
#include "resources/file.h"
#include "resources/safe_write.h"
#include "fixture.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(FileAssetTest, FullPathJoinsRootDirectoryAndNameWithoutSeparators)
{
    AssetShader shader("shaders/quadShader.vert");
    EXPECT_EQ(shader.type, 0);
    EXPECT_EQ(shader.fullPath(), "./shaders/quadShader.vert");
    shader.directory = "sub/";
    EXPECT_EQ(shader.fullPath(), "./sub/shaders/quadShader.vert");
    EXPECT_EQ(Asset().type, 6);
    EXPECT_EQ(AssetShader().fullPath(), "./");
}

TEST(FileAssetTest, OrdersByFullPathAsByteStrings)
{
    const AssetShader a("shaders/a.frag"), ax("shaders/a.fragx"), b("shaders/b.frag");
    EXPECT_TRUE(a < ax);
    EXPECT_TRUE(ax < b);
    EXPECT_FALSE(b < a);
    Asset sameAsA;
    sameAsA.name = "shaders/a.frag";
    EXPECT_FALSE(sameAsA < a);
    EXPECT_FALSE(a < sameAsA);
}

TEST(FileHashTest, HashIsFoldedFnv1a)
{
    EXPECT_EQ(contentHash(""), 0xCBF29CE44FD0BFC1ull);
    EXPECT_EQ(contentHash("abc"), 0xE71FA219E25EF552ull);
}

class FileTest : public ::testing::Test {
protected:
    ScratchDirectory scratch;
    DrivenClock clock;
};

TEST_F(FileTest, FirstReloadStoresTheTextAndRecordsTheStamp)
{
    writeFileStamped("a.vert", "void main() {}\n", 1700000123, 456);
    File file("a.vert");
    EXPECT_EQ(file.modificationTime(), 1700000123);
    EXPECT_EQ(file.modificationTimeNs(), 1700000123000000456);
    EXPECT_TRUE(file.hasChanged());

    EXPECT_TRUE(file.reload());
    EXPECT_EQ(file.contents, "void main() {}\n");
    EXPECT_EQ(file.loadTime, clock.seconds());
    EXPECT_EQ(file.loadedModificationTime, 1700000123000000456);
    EXPECT_FALSE(file.hasChanged());
    EXPECT_EQ(file.markCompiled(), "void main() {}\n");
    EXPECT_EQ(file.compiledHash, contentHash("void main() {}\n"));
}

TEST_F(FileTest, IdenticalBytesWithANewerStampChangeButReloadFindsTheSameText)
{
    writeFileStamped("a.vert", "same", 1700000100);
    File file("a.vert");
    file.reload();
    file.markCompiled();

    writeFileStamped("a.vert", "same", 1700000200);
    EXPECT_TRUE(file.hasChanged());
    EXPECT_FALSE(file.reload());
    EXPECT_EQ(file.contents, "same");
    EXPECT_FALSE(file.hasChanged());
}

// Regression: comparing whole seconds missed a save made in the second of the last read.
TEST_F(FileTest, SaveInTheSameSecondAsTheReadIsSeen)
{
    writeFileStamped("a.vert", "first", clock.seconds(), 100);
    File file("a.vert");
    file.reload();
    file.markCompiled();

    writeFileStamped("a.vert", "second", clock.seconds(), 200);
    EXPECT_EQ(file.modificationTime(), file.loadTime);
    EXPECT_TRUE(file.hasChanged());
    EXPECT_TRUE(file.reload());
    EXPECT_EQ(file.markCompiled(), "second");
}

TEST_F(FileTest, MissingFileReadsAsNoStampAndNoTextUntilItReturns)
{
    File file("missing.frag");
    EXPECT_EQ(file.modificationTime(), 0);
    EXPECT_EQ(file.modificationTimeNs(), 0);
    EXPECT_FALSE(file.hasChanged());
    EXPECT_EQ(file.readAll(), "");
    EXPECT_FALSE(file.reload());
    EXPECT_EQ(file.readFailure, "is missing");
    EXPECT_EQ(file.markCompiled(), "");

    writeFileStamped("missing.frag", "back", 1700000300);
    EXPECT_TRUE(file.hasChanged());
    EXPECT_TRUE(file.reload());
    EXPECT_EQ(file.readFailure, "");
    EXPECT_EQ(file.markCompiled(), "back");
    EXPECT_EQ(File("sub/dir/none.frag").readAll(), "");
    EXPECT_EQ(File(".").readAll(), "");
}

// Regression: a file deleted after it was read looked unchanged and was never mentioned. Going
// missing is a change; the read says why it found nothing and keeps the text it had.
TEST_F(FileTest, FileGoingMissingIsAChangeThatKeepsTheLastText)
{
    writeFileStamped("a.frag", "kept", 1700000100);
    File file("a.frag");
    file.reload();
    file.markCompiled();
    std::remove("a.frag");
    EXPECT_TRUE(file.hasChanged());
    EXPECT_FALSE(file.reload());
    EXPECT_EQ(file.readFailure, "is missing");
    EXPECT_EQ(file.contents, "kept");
    EXPECT_EQ(file.loadedHash, contentHash("kept"));
    EXPECT_FALSE(file.hasChanged());
}

// What a read says of each kind of path that holds no text.
TEST_F(FileTest, ReadFailureNamesWhatIsWrongWithThePath)
{
    writeFile("plain.frag", "text");
    ASSERT_EQ(::mkdir("folder.frag", 0755), 0);
    ASSERT_EQ(::mkfifo("pipe.frag", 0644), 0);
    const struct {
        const char* path;
        const char* failure;
    } cases[] = {
        {"absent.frag", "is missing"},
        {"plain.frag/below.frag", "is missing"},
        {"folder.frag", "is a directory"},
        {"pipe.frag", "is not a regular file"},
        {"plain.frag", ""},
    };
    for (const auto& c : cases) {
        File file(c.path);
        file.reload();
        EXPECT_EQ(file.readFailure, c.failure) << c.path;
        EXPECT_EQ(file.contents, c.failure[0] ? "" : "text") << c.path;
    }
}

TEST_F(FileTest, ReadsBytesUnchanged)
{
    const std::string bytes("line one\r\nline two\r\n\0tail", 25);
    writeFile("crlf.frag", bytes);
    EXPECT_EQ(File("crlf.frag").readAll(), bytes);
}

// Regression: a text stored under one hash must never be handed out under another.
TEST_F(FileTest, ReturningToTheCompiledTextAfterAnUncompiledEditGivesThatText)
{
    File file("a.frag");
    writeFileStamped("a.frag", "A", 1700000001);
    file.reload();
    file.markCompiled();
    writeFileStamped("a.frag", "B", 1700000002);
    file.reload();
    writeFileStamped("a.frag", "A", 1700000003);
    EXPECT_FALSE(file.reload());
    EXPECT_EQ(file.markCompiled(), "A");
}

// The names in the current folder: a failed or finished write must leave no temporary there.
std::set<std::string> folderNames()
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        names.insert(entry.path().filename().string());
    return names;
}

TEST_F(FileTest, SafeWriteReplacesTheFileWholeKeepingItsModeAndWritesThroughALink)
{
    writeFile("a.png", "old");
    ASSERT_EQ(::chmod("a.png", 0600), 0);
    ASSERT_EQ(::symlink("a.png", "link.png"), 0);
    std::string error;
    const std::string bytes(100000, 'x');
    ASSERT_TRUE(writeFileSafely("a.png", bytes, error)) << error;
    EXPECT_EQ(File("a.png").readAll(), bytes);
    struct stat status {};
    ASSERT_EQ(::stat("a.png", &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);

    ASSERT_TRUE(writeFileSafely("link.png", "new", error)) << error;
    EXPECT_EQ(File("a.png").readAll(), "new");
    ASSERT_EQ(::lstat("link.png", &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_EQ(folderNames(), (std::set<std::string>{"a.png", "link.png"}));
}

TEST_F(FileTest, SafeWriteFailureGivesTheSystemsReasonAndChangesNothing)
{
    writeFile("plain.png", "kept");
    ASSERT_EQ(::mkdir("folder", 0755), 0);
    const std::set<std::string> before = folderNames();
    const struct {
        const char* path;
        const char* reason;
    } cases[] = {
        {"missing/x.png", "No such file or directory"},
        {"plain.png/x.png", "Not a directory"},
        {"folder", "Is a directory"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(writeFileSafely(c.path, "bytes", error)) << c.path;
        EXPECT_EQ(error, c.reason) << c.path;
    }
    EXPECT_EQ(folderNames(), before);
    EXPECT_EQ(File("plain.png").readAll(), "kept");
}

// A write that fails part way (here at the file size limit, as on a full disk) removes the
// temporary and leaves the old file as it was. The soft limit binds only this one call.
TEST_F(FileTest, SafeWriteFailingPartWayLeavesTheOldFileAndNoTemporary)
{
    writeFile("a.png", "old");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool written = writeFileSafely("a.png", std::string(100000, 'x'), error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(error, "File too large");
    EXPECT_EQ(File("a.png").readAll(), "old");
    EXPECT_EQ(folderNames(), std::set<std::string>{"a.png"});
}

// A pipe (like /dev/null or a terminal) is written in place: renaming over it would replace it.
TEST_F(FileTest, SafeWriteGoesIntoAPipeInPlace)
{
    ASSERT_EQ(::mkfifo("pipe.png", 0644), 0);
    const int reader = ::open("pipe.png", O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::string error;
    EXPECT_TRUE(writeFileSafely("pipe.png", "through", error)) << error;
    char bytes[16] = {};
    EXPECT_EQ(::read(reader, bytes, sizeof bytes), 7);
    ::close(reader);
    EXPECT_EQ(std::string(bytes), "through");
    struct stat status {};
    ASSERT_EQ(::lstat("pipe.png", &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    EXPECT_EQ(folderNames(), std::set<std::string>{"pipe.png"});
}

}  // namespace
