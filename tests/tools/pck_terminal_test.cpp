// The pck program on a pseudo-terminal, as a person at a terminal sees it: the progress line's
// width, before and after the window is resized, how often it is redrawn, the line Ctrl+C and
// SIGTERM leave, a quiet run that prints nothing, and the password asked for without echo.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/codecs/codec_test_util.h"

namespace {

using Clock = std::chrono::steady_clock;

// pck started on a new pseudo-terminal of the given size, in dir, with TMPDIR there too.
class PtyRun {
 public:
  PtyRun(const std::string& dir, std::vector<std::string> args, unsigned short columns) {
    winsize size{};
    size.ws_row = 24;
    size.ws_col = columns;
    args.insert(args.begin(), PCK_PROGRAM);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    started_ = Clock::now();
    pid_ = forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ == 0) {
      if (chdir(dir.c_str()) != 0) _exit(126);
      setenv("TMPDIR", dir.c_str(), 1);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  ~PtyRun() {
    if (pid_ > 0 && !waited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }
  PtyRun(const PtyRun&) = delete;
  PtyRun& operator=(const PtyRun&) = delete;

  bool Started() const { return pid_ > 0; }
  // Reads what the program shows until until(output) holds or it has shown all it will.
  bool ReadUntil(const std::function<bool(const std::string&)>& until) {
    while (!until(out_)) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 30000) <= 0) return false;
      char buffer[4096];
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n <= 0) return false;  // EIO: the program and its terminal are gone
      out_.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
  }
  // Reads to the end and returns the wait status.
  int Finish() {
    ReadUntil([](const std::string&) { return false; });
    int status = 0;
    waitpid(pid_, &status, 0);
    waited_ = true;
    seconds_ = std::chrono::duration<double>(Clock::now() - started_).count();
    return status;
  }
  void Resize(unsigned short columns) {
    winsize size{};
    size.ws_row = 24;
    size.ws_col = columns;
    ioctl(master_, TIOCSWINSZ, &size);
  }
  void Type(const std::string& keys) {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }
  void Signal(int sig) { kill(pid_, sig); }

  const std::string& Output() const { return out_; }
  double Seconds() const { return seconds_; }

 private:
  pid_t pid_ = -1;
  int master_ = -1;
  bool waited_ = false;
  std::string out_;
  Clock::time_point started_;
  double seconds_ = 0;
};

// The progress lines drawn: each redraw starts with a carriage return and a bar.
std::vector<std::string> Bars(const std::string& output) {
  std::vector<std::string> bars;
  for (std::size_t at = 0; (at = output.find("\r[", at)) != std::string::npos; ++at)
    bars.push_back(output.substr(at + 1, output.find('\r', at + 1) - at - 1));
  return bars;
}

bool HasBar(const std::string& output) { return output.find("\r[") != std::string::npos; }

// A tree of some thousands of small files with long names, and an archive of it: a run that
// takes a second or so, and a progress line the names always fill.
class PckTerminal : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new codec_test::TempDir();
    std::string folder = "tree";
    for (int i = 0; i < 3; ++i) folder += "/a_folder_with_quite_a_long_name_" + std::to_string(i);
    std::filesystem::create_directories(dir_->Host(folder));
    for (int i = 0; i < 3000; ++i)
      dir_->Write(folder + "/file_with_a_long_name_" + std::to_string(i) + ".txt",
                  codec_test::RandomBytes(3000, static_cast<std::uint32_t>(i)));
    PtyRun make(Dir(), {"create", "-q", "tree.pck", "-C", "tree"}, 80);
    ASSERT_EQ(make.Finish(), 0) << make.Output();
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static std::string Dir() { return dir_->Root().string(); }
  static codec_test::TempDir* dir_;
};

codec_test::TempDir* PckTerminal::dir_ = nullptr;

TEST_F(PckTerminal, TheLineFitsTheTerminalAndFollowsAResize) {
  PtyRun run(Dir(), {"create", "new.pck", "-C", "tree"}, 60);
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(run.ReadUntil(HasBar)) << run.Output();
  run.Resize(100);
  ASSERT_EQ(run.Finish(), 0) << run.Output();
  const std::vector<std::string> bars = Bars(run.Output());
  // Every line one column short of the edge, so none wraps: 59 columns, then 99.
  std::size_t narrow = 0, wide = 0;
  for (const std::string& bar : bars) {
    if (bar.size() == 59) {
      EXPECT_EQ(wide, 0u) << "a narrow line after the resize";
      ++narrow;
    } else {
      EXPECT_EQ(bar.size(), 99u) << "[" << bar << "]";
      ++wide;
    }
  }
  EXPECT_GE(narrow, 1u);
  EXPECT_GE(wide, 1u) << run.Output();
  // Taken away at the end: blanks to the edge, the cursor back at the start of the line.
  EXPECT_EQ(run.Output().substr(run.Output().rfind("\r[")).find('\n'), std::string::npos);
  EXPECT_EQ(run.Output().substr(run.Output().size() - 101), "\r" + std::string(99, ' ') + "\r");
}

// Drawn once per entry, thousands of entries would send hundreds of kilobytes to the terminal.
TEST_F(PckTerminal, RedrawsAtMostTenTimesASecond) {
  PtyRun run(Dir(), {"extract", "tree.pck", "-C", "out"}, 80);
  ASSERT_TRUE(run.Started());
  ASSERT_EQ(run.Finish(), 0) << run.Output();
  const std::size_t bars = Bars(run.Output()).size();
  EXPECT_GE(bars, 1u) << "a run of " << run.Seconds() << " s drew no line";
  EXPECT_LE(bars, static_cast<std::size_t>(run.Seconds() * 10) + 1) << run.Seconds() << " s";
  // Each line and the blanks that take it away are a carriage return and 79 columns.
  EXPECT_LE(run.Output().size(), (bars + 2) * 80) << run.Output().size() << " bytes";
}

TEST_F(PckTerminal, AnInterruptedRunLeavesACleanLineThatSaysSo) {
  struct Case {
    const char* how;
    int signal;
  };
  for (const Case& c : {Case{"Ctrl+C", SIGINT}, Case{"SIGTERM", SIGTERM}}) {
    std::filesystem::remove_all(dir_->Host("x"));
    PtyRun run(Dir(), {"extract", "tree.pck", "-C", "x"}, 70);
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.ReadUntil(HasBar)) << run.Output();
    if (c.signal == SIGINT)
      run.Type("\x03");  // the terminal turns it into SIGINT for the program
    else
      run.Signal(c.signal);
    const int status = run.Finish();
    ASSERT_TRUE(WIFSIGNALED(status)) << c.how << ": status " << status;
    EXPECT_EQ(WTERMSIG(status), c.signal) << c.how;
    const std::string tail = "\r" + std::string(69, ' ') + "\rpck extract: interrupted\r\n";
    const std::string& out = run.Output();
    ASSERT_GE(out.size(), tail.size()) << c.how;
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail) << c.how << ": [" << out << "]";
  }
}

// A protected archive read without a password on a terminal: pck asks for it, and what is typed
// is not shown; a wrong one is called wrong.
TEST_F(PckTerminal, AsksForThePasswordWithoutEcho) {
  std::filesystem::create_directories(dir_->Host("small"));
  dir_->Write("small/a.txt", codec_test::TextBytes(100, 1));
  PtyRun make(Dir(), {"create", "-q", "p.pck", "-C", "small", "--password", "segredo"}, 80);
  ASSERT_EQ(make.Finish(), 0) << make.Output();
  for (const std::string typed : {"segredo", "errada"}) {
    PtyRun run(Dir(), {"list", "p.pck"}, 80);
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.ReadUntil([](const std::string& out) {
      return out.find("Password for p.pck: ") != std::string::npos;
    })) << run.Output();
    run.Type(typed + "\r");  // Enter
    const int status = run.Finish();
    const bool right = typed == "segredo";
    ASSERT_TRUE(WIFEXITED(status)) << run.Output();
    EXPECT_EQ(WEXITSTATUS(status), right ? 0 : 1) << run.Output();
    EXPECT_EQ(run.Output().find(typed), std::string::npos) << "echoed: " << run.Output();
    EXPECT_NE(run.Output().find(right ? " a.txt" : "pck list: p.pck: wrong password"),
              std::string::npos)
        << run.Output();
  }
}

TEST_F(PckTerminal, AQuietRunShowsNothing) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"test", "-q", "tree.pck"},
        std::vector<std::string>{"extract", "--quiet", "tree.pck", "-C", "q"}}) {
    PtyRun run(Dir(), args, 80);
    ASSERT_TRUE(run.Started());
    EXPECT_EQ(run.Finish(), 0) << run.Output();
    EXPECT_EQ(run.Output(), "") << testing::PrintToString(args);
  }
  // Without -q, test says what it found.
  PtyRun run(Dir(), {"test", "tree.pck"}, 80);
  ASSERT_EQ(run.Finish(), 0);
  EXPECT_NE(run.Output().find("3000 entries"), std::string::npos) << run.Output();
}

}  // namespace
