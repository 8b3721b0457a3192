#include "runner/runner_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "test_support.h"

namespace quorbel {
namespace {

namespace fs = std::filesystem;
using testing::readFile;

std::string makeScratch() {
  char pattern[] = "/tmp/quorbel-files-test-XXXXXX";
  const std::string path = mkdtemp(pattern);
  chmod(path.c_str(), 0755);
  return path;
}

// A scratch directory (mode 0755) used as TMPDIR for one test, removed afterwards.
struct ScratchBase {
  std::string path = makeScratch();
  testing::ScopedEnv tmpdir{"TMPDIR", path};
  ~ScratchBase() {
    std::error_code ignored;
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path, ignored);
  }
};

mode_t modeOf(const std::string& path) {
  struct stat info {};
  lstat(path.c_str(), &info);
  return info.st_mode & 07777;
}

void writeFile(const std::string& path, const std::string& text, mode_t mode) {
  std::ofstream(path, std::ios::binary) << text;
  chmod(path.c_str(), mode);
}

TEST(RunnerFilesTest, TempDirIsPrivateOwnedMovedAndRemoved) {
  ScratchBase base;
  std::string path;
  {
    TempDir dir = makeTempDir();
    path = dir.path;
    ASSERT_FALSE(path.empty());
    const std::string prefix = base.path + "/quorbel-run-";
    EXPECT_EQ(path.rfind(prefix, 0), 0u) << path;
    EXPECT_EQ(path.size(), prefix.size() + 6) << path;
    EXPECT_EQ(modeOf(path), 0700u);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    const passwd* nobody = getpwnam("nobody");
    if (getuid() == 0 && nobody != nullptr) {
      EXPECT_TRUE(dir.identity.active);
      EXPECT_EQ(info.st_uid, nobody->pw_uid);
      EXPECT_EQ(dir.identity.uid, nobody->pw_uid);
    } else if (getuid() != 0) {
      EXPECT_FALSE(dir.identity.active);
    }
    writeFile(path + "/left.txt", "x", 0644);
    TempDir moved = std::move(dir);
    EXPECT_EQ(dir.path, "");
    EXPECT_EQ(moved.path, path);
  }
  EXPECT_FALSE(fs::exists(path)) << "the last owner removes the tree";

  setenv("TMPDIR", (base.path + "/missing").c_str(), 1);
  EXPECT_EQ(makeTempDir().path, "");
}

TEST(RunnerFilesTest, SourceFileHoldsTheExactBytes) {
  ScratchBase base;
  TempDir dir = makeTempDir();
  const std::string code("int main(){}\n\0\xff tail", 19);
  std::string error;
  ASSERT_TRUE(writeSourceFile(dir, code, error));
  EXPECT_EQ(error, "");
  EXPECT_EQ(readFile(dir.path + "/main.cpp"), code);
  EXPECT_EQ(modeOf(dir.path + "/main.cpp"), 0600u);

  TempDir missing;
  missing.path = base.path + "/missing";
  EXPECT_FALSE(writeSourceFile(missing, code, error));
  EXPECT_EQ(error, "Could not create source file.");
  missing.path.clear();
}

TEST(RunnerFilesTest, RemoveTreeNeverTouchesWhatLinksPointAt) {
  ScratchBase base;
  const std::string outside = base.path + "/outside";
  fs::create_directory(outside);
  chmod(outside.c_str(), 0755);
  writeFile(outside + "/marker", "keep me", 0644);

  const std::string tree = base.path + "/tree";
  fs::create_directories(tree + "/sub/deeper");
  writeFile(tree + "/a.txt", "a", 0644);
  writeFile(tree + "/locked.txt", "b", 0000);
  writeFile(tree + "/sub/deeper/c.txt", "c", 0644);
  fs::create_directory_symlink(outside, tree + "/dirlink");
  fs::create_symlink(outside + "/marker", tree + "/filelink");
  fs::create_symlink("/quorbel/no/such/target", tree + "/dangling");
  mkfifo((tree + "/pipe").c_str(), 0600);
  chmod((tree + "/sub/deeper").c_str(), 0);
  chmod((tree + "/sub").c_str(), 0);

  removeTree(tree);
  EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
  // Removing a link itself leaves its target too.
  fs::create_directory_symlink(outside, base.path + "/link");
  removeTree(base.path + "/link");
  EXPECT_EQ(readFile(outside + "/marker"), "keep me");
  EXPECT_EQ(modeOf(outside + "/marker"), 0644u) << "a chmod through the link changed it";
  EXPECT_EQ(modeOf(outside), 0755u);
}

TEST(RunnerFilesTest, RemoveTreeGoesDeeperThanTheDescriptorLimit) {
  ScratchBase base;
  const std::string tree = base.path + "/deep";
  fs::create_directory(tree);
  int fd = open(tree.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  for (int level = 0; level < 300; ++level) {
    ASSERT_EQ(mkdirat(fd, "d", 0700), 0);
    int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
    close(fd);
    ASSERT_GE(next, 0);
    fd = next;
  }
  close(fd);
  rlimit saved{};
  getrlimit(RLIMIT_NOFILE, &saved);
  rlimit tight = saved;
  tight.rlim_cur = 64;  // a walk holding one descriptor per level runs out at depth ~60
  setrlimit(RLIMIT_NOFILE, &tight);
  removeTree(tree);
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_FALSE(fs::exists(tree));
}

}  // namespace
}  // namespace quorbel
