// Runs of fernclip ended at random moments, as a user (Ctrl+C) or the system (SIGKILL) ends
// them, while they convert a generated capture and build it over an existing project, package
// and uncompressed image. After each one every output is either as it was or replaced whole:
// with /fakeguids a whole output is byte for byte the one a complete run writes. After an
// interrupt the run has also removed its temporary files and the fake-GUID mode it set; what a
// killed run left behind goes with the next run in the folder.
//
// The counts are small here; the long trial is run by hand:
//   FERNCLIP_TRIAL_KILLS=50 FERNCLIP_TRIAL_INTERRUPTS=20 build/tests/interrupts_tests
// (FERNCLIP_TRIAL_FILES sets the capture's size, FERNCLIP_TRIAL_SEED the random moments).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/capture_generator.h"
#include "support/captures.h"
#include "support/test_env.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

size_t Setting(const char* name, size_t fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::strtoull(value, nullptr, 10) : fallback;
}

// Starts fernclip on the capture with /fakeguids; its output goes to a file of the test's.
pid_t StartFernclip(const std::string& script, const std::string& registry, const std::string& log) {
  const std::string program = std::string(FERNCLIP_BUILD_DIR) + "/fernclip";
  std::vector<std::string> argText = {program, script, "/fakeguids"};
  std::vector<char*> argv;
  for (std::string& text : argText) argv.push_back(text.data());
  argv.push_back(nullptr);
  std::vector<std::string> envText = {"FERNCLIP_REGISTRY=" + registry, "HOME=" + fs::path(registry).parent_path().string(),
                                      "PATH=/usr/bin:/bin"};
  std::vector<char*> envp;
  for (std::string& text : envText) envp.push_back(text.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : -1;
}

// Waits for the program; its wait status, or -1 when it did not end within the limit (a hang).
int WaitFor(pid_t pid, int limitSeconds = 600) {
  const auto until = Clock::now() + std::chrono::seconds(limitSeconds);
  for (;;) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return status;
    if (Clock::now() > until) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Every file below a folder (relative path -> bytes); one entry for a plain file.
std::map<std::string, std::string> Snapshot(const std::string& path) {
  if (!fs::exists(path)) return {};
  if (!fs::is_directory(path)) return {{"", testenv::ReadText(path)}};
  return test_support::FilesBelow(path);
}

// Names in the folder that hold a run's temporary marker (".tmp<pid>."), of one process or of any.
std::vector<std::string> Temporaries(const std::string& folder, pid_t of = 0) {
  const std::string marker = of ? ".tmp" + std::to_string(of) + "." : ".tmp";
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename();
    if (name.find(marker) != std::string::npos) names.push_back(name);
  }
  return names;
}

struct Outputs {
  std::map<std::string, std::string> project, package, image;
};

class InterruptedRuns : public ::testing::Test {
 protected:
  void SetUp() override {
    bench::CaptureShape shape;
    shape.files = Setting("FERNCLIP_TRIAL_FILES", 2000);
    shape.folders = 40;
    shape.registryValues = 2000;
    shape.mixedContent = true;
    script_ = bench::GenerateCapture(temp_ / "capture", shape);
    folder_ = temp_ / "capture";
  }

  Outputs Current() const {
    return {Snapshot(folder_ + "/app.vpx"), Snapshot(folder_ + "/Generated.msi"), Snapshot(folder_ + "/Generated")};
  }
  // One complete run; its duration.
  double CompleteRun() {
    const auto start = Clock::now();
    const pid_t pid = StartFernclip(script_, registry_, temp_ / "complete.log");
    EXPECT_GT(pid, 0);
    const int status = WaitFor(pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << testenv::ReadText(temp_ / "complete.log");
    return std::chrono::duration<double>(Clock::now() - start).count();
  }
  void SetCompressed(bool compressed) {
    test_support::SetGeneralOption(folder_ + "/Options.ini", "BuildCompressed", compressed ? "Y" : "N");
  }

  testenv::TempDir temp_;
  std::string script_, folder_;
  std::string registry_ = temp_ / "registry.reg";
};

TEST_F(InterruptedRuns, OutputsAreOldOrWholeAndInterruptedRunsCleanUp) {
  // The whole outputs: a compressed build (project A, package) and an image build (project B,
  // image), each as a complete run writes it.
  SetCompressed(false);
  double longest = CompleteRun();
  const Outputs afterImage = Current();
  SetCompressed(true);
  longest = std::max(longest, CompleteRun());
  const Outputs whole = {Current().project, Current().package, afterImage.image};
  ASSERT_FALSE(whole.package.empty());
  ASSERT_FALSE(whole.image.empty());
  ASSERT_NE(whole.project, afterImage.project);
  EXPECT_TRUE(Temporaries(folder_).empty());

  const size_t kills = Setting("FERNCLIP_TRIAL_KILLS", 4), interrupts = Setting("FERNCLIP_TRIAL_INTERRUPTS", 3);
  std::mt19937 random(static_cast<unsigned>(Setting("FERNCLIP_TRIAL_SEED", 10)));
  std::vector<bool> signals(kills, true);
  signals.insert(signals.end(), interrupts, false);
  std::shuffle(signals.begin(), signals.end(), random);
  int replaced = 0, cancelled = 0;
  for (size_t trial = 0; trial < signals.size(); ++trial) {
    const bool killed = signals[trial];
    const bool compressed = trial % 2 == 0;
    SetCompressed(compressed);
    const std::string log = temp_ / "trial.log";
    const pid_t pid = StartFernclip(script_, registry_, log);
    ASSERT_GT(pid, 0);
    const auto delay = std::chrono::duration<double>(std::uniform_real_distribution<double>(0, longest)(random));
    std::this_thread::sleep_for(delay);
    kill(pid, killed ? SIGKILL : SIGINT);
    const int status = WaitFor(pid);
    ASSERT_NE(status, -1) << "trial " << trial << ": the run did not end";
    SCOPED_TRACE("trial " + std::to_string(trial) + (killed ? " (SIGKILL" : " (SIGINT") + " after " +
                 std::to_string(delay.count()) + " s): " + testenv::ReadText(log));

    const Outputs now = Current();
    EXPECT_TRUE(now.project == whole.project || now.project == afterImage.project);
    EXPECT_TRUE(now.package == whole.package);
    EXPECT_TRUE(now.image == whole.image);
    if (killed) {
      // A killed run cannot take back the fake-GUID mode it set; the next run would keep it as
      // the user's own setting.
      fs::remove(registry_);
      continue;
    }
    // An interrupt ends the run cleanly: cancelled, or finished when it came too late (or, in
    // the first milliseconds, before the program could take interrupts at all).
    const std::string out = testenv::ReadText(log);
    if (WIFSIGNALED(status)) {
      EXPECT_EQ(WTERMSIG(status), SIGINT);
      EXPECT_EQ(out, "");
    } else if (WEXITSTATUS(status) == 0) {
      ++replaced;
      EXPECT_NE(out.find("Finished successfully."), std::string::npos);
    } else {
      ++cancelled;
      EXPECT_EQ(WEXITSTATUS(status), 1);
      EXPECT_NE(out.find("Cancelled by user action."), std::string::npos);
    }
    EXPECT_EQ(testenv::ReadText(registry_).find("FakeGuids"), std::string::npos);
    EXPECT_EQ(Temporaries(folder_, pid), std::vector<std::string>{});
  }
  std::printf("%zu killed, %zu interrupted (%d cancelled, %d finished)\n", kills, interrupts, cancelled, replaced);

  // The next complete run leaves no temporary of a killed run behind.
  SetCompressed(true);
  CompleteRun();
  EXPECT_EQ(Temporaries(folder_), std::vector<std::string>{});
  EXPECT_TRUE(Current().package == whole.package);
}

}  // namespace
