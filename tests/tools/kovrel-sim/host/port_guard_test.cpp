// kovrel-sim next to a running simulator: something answers on
// 127.0.0.1:6397, and no command that loads the plug-in may reach it.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <memory>
#include <vector>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "sim_test_support.hpp"

namespace {

using ksim_test::TempDir;

namespace fs = std::filesystem;

// The process holding the client end of an accepted connection, found
// through /proc while the client waits for an answer; 0 once it is gone.
int ClientProcess(int connection, unsigned long serverPort) {
  sockaddr_in peer{};
  socklen_t size = sizeof peer;
  if (::getpeername(connection, reinterpret_cast<sockaddr*>(&peer), &size) != 0) return 0;
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);  // the heading
  std::string inode;
  while (inode.empty() && std::getline(table, line)) {
    std::istringstream fields(line);
    std::string number, local, remote, state, queues, timer, retransmits, uid, timeout, node;
    fields >> number >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> node;
    const auto port = [](const std::string& address) { return std::stoul(address.substr(address.find(':') + 1), nullptr, 16); };
    if (port(local) == ntohs(peer.sin_port) && port(remote) == serverPort) inode = node;
  }
  const std::string target = "socket:[" + inode + "]";
  std::error_code error;
  for (const fs::directory_entry& process : fs::directory_iterator("/proc", error)) {
    const std::string pid = process.path().filename();
    if (inode.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    for (const fs::directory_entry& fd : fs::directory_iterator(process.path() / "fd", error)) {
      if (fs::read_symlink(fd.path(), error) == target) return std::stoi(pid);
    }
  }
  return 0;
}

bool StartedByThisTest(int pid) {
  while (pid > 1 && pid != ::getpid()) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    // "pid (name) state ppid ...": the name may hold blanks, so read after its ')'.
    std::istringstream rest(line.substr(line.rfind(')') + 1));
    std::string state;
    if (!(rest >> state >> pid)) return false;
  }
  return pid == ::getpid();
}

// Stands in for the simulator's web server: accepts every connection and
// counts the bytes that arrive on it, apart for the commands this test
// starts and for other programs of the computer (another checkout's tests).
class RecordingServer {
 public:
  explicit RecordingServer(int port = 6397) : mPort(port) {
    mListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(mListener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<unsigned short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    mListening = ::bind(mListener, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                 ::listen(mListener, 16) == 0;
    socklen_t size = sizeof address;
    if (mListening && ::getsockname(mListener, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
      mPort = ntohs(address.sin_port);  // the one given for port 0
    }
    if (mListening) mThread = std::thread([this] { Serve(); });
  }
  ~RecordingServer() {
    mStop = true;
    if (mThread.joinable()) mThread.join();
    ::close(mListener);
  }
  bool Listening() const { return mListening; }
  int Port() const { return mPort; }
  // Waits a little for connections made but not yet taken.
  int Connections(int expected) const {
    for (int i = 0; i < 100 && mConnections.load() < expected; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return mConnections.load();
  }
  long OwnBytes() const { return mOwnBytes.load(); }
  long StrangerBytes() const { return mStrangerBytes.load(); }

 private:
  void Serve() {
    std::vector<pollfd> watched{{mListener, POLLIN, 0}};
    std::vector<int> owners{0};  // per watched connection: 1 this test's, -1 a stranger's, 0 not known yet
    while (!mStop) {
      if (::poll(watched.data(), watched.size(), 20) <= 0) continue;
      if ((watched[0].revents & POLLIN) != 0) {
        const int client = ::accept4(mListener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
          watched.push_back({client, POLLIN, 0});
          owners.push_back(0);
        }
        ++mConnections;
      }
      for (std::size_t i = watched.size(); i-- > 1;) {
        if (watched[i].revents == 0) continue;
        char bytes[4096];
        const ssize_t n = ::read(watched[i].fd, bytes, sizeof bytes);
        if (n > 0) {
          if (owners[i] == 0) owners[i] = StartedByThisTest(ClientProcess(watched[i].fd, static_cast<unsigned long>(mPort))) ? 1 : -1;
          (owners[i] > 0 ? mOwnBytes : mStrangerBytes) += n;
          continue;
        }
        ::close(watched[i].fd);
        watched.erase(watched.begin() + static_cast<std::ptrdiff_t>(i));
        owners.erase(owners.begin() + static_cast<std::ptrdiff_t>(i));
      }
    }
    for (std::size_t i = 1; i < watched.size(); ++i) ::close(watched[i].fd);
  }

  int mPort;
  int mListener = -1;
  bool mListening = false;
  std::atomic<bool> mStop{false};
  std::atomic<int> mConnections{0};
  std::atomic<long> mOwnBytes{0};
  std::atomic<long> mStrangerBytes{0};
  std::thread mThread;
};

TEST(NextToARunningSimulator, CommandsThatLoadThePluginStopAndSendNothing) {
  RecordingServer server;
  if (!server.Listening()) {
    // Whatever holds the port may let go of it at any moment (another test
    // run's server): what the commands then meet is not this test's to know.
    GTEST_SKIP() << "another program holds 127.0.0.1:6397";
  }
  TempDir dir(true);
  std::string output;
  const std::string program(KSIM_EXECUTABLE);
  EXPECT_EQ(ksim_test::RunCommand(program + " --quiet --cars 4 --laps 1 --workdir " + dir.File("work"), output), 2)
      << output;
  EXPECT_NE(output.find("kovrel-sim: stopped before loading the plug-in: something answers on 127.0.0.1:6397"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("Close the simulator"), std::string::npos) << output;
  EXPECT_FALSE(std::filesystem::exists(dir.File("work/rF2stream"))) << "the plug-in never set up its files";

  const std::string race = ksim_test::ResultsFile("hockenheim-race-2023.xml");
  EXPECT_EQ(ksim_test::RunCommand(program + " advise --results " + race + " --budget 2 --seeds 1 --jobs 1 --out " +
                                      dir.File("advised.ini") + " --report " + dir.File("advice.html"),
                                  output),
            2)
      << output;
  EXPECT_NE(output.find("kovrel-sim advise: stopped before loading the plug-in: something answers"), std::string::npos)
      << output;
  EXPECT_FALSE(std::filesystem::exists(dir.File("advised.ini")));

  // The review reads files only, so it runs all the same (this log is refused for its own reason).
  ksim_test::WriteBytes(dir.File("debug.log"), "Auto camera: on\n");
  EXPECT_EQ(ksim_test::RunCommand(program + " review --log " + dir.File("debug.log") + " --results " + race +
                                      " --report " + dir.File("review.html"),
                                  output),
            2)
      << output;
  EXPECT_NE(output.find("no State line"), std::string::npos) << output;
  EXPECT_EQ(output.find("127.0.0.1:6397"), std::string::npos) << output;

  EXPECT_GE(server.Connections(2), 2) << "a look before each command that loads the plug-in";
  EXPECT_EQ(server.OwnBytes(), 0) << "no request of these commands reached the server";
  if (server.StrangerBytes() > 0) std::cout << "other programs sent " << server.StrangerBytes() << " bytes meanwhile\n";
}

// rFactor 2's web UI listens on 5397, and a file's webport may name any
// port: a run stops when either answers, before the plug-in is loaded.
TEST(NextToARunningSimulator, ARunStopsForRfactor2sWebUiAndForTheSettingsWebport) {
  TempDir dir(true);
  RecordingServer any(0);
  ASSERT_TRUE(any.Listening());
  const std::string run = std::string(KSIM_EXECUTABLE) + " --quiet --cars 4 --laps 1 --workdir ";
  const struct {
    int port;
    std::string options;
    std::string says;
  } cases[] = {
      {5397, "", "something answers on 127.0.0.1:5397, most likely rFactor 2's web UI"},
      {any.Port(), " --set webport=" + std::to_string(any.Port()),
       "something answers on 127.0.0.1:" + std::to_string(any.Port()) + ", the port your settings' webport names"},
  };
  for (const auto& c : cases) {
    std::unique_ptr<RecordingServer> own;
    if (c.port != any.Port()) {
      own = std::make_unique<RecordingServer>(c.port);
      if (!own->Listening()) {
        std::cout << "another program holds 127.0.0.1:" << c.port << ": not tried\n";
        continue;
      }
    }
    RecordingServer& server = own ? *own : any;
    const std::string work = dir.File("work" + std::to_string(c.port));
    std::string output;
    EXPECT_EQ(ksim_test::RunCommand(run + work + c.options, output), 2) << output;
    EXPECT_NE(output.find("kovrel-sim: stopped before loading the plug-in: " + c.says), std::string::npos) << output;
    EXPECT_FALSE(std::filesystem::exists(work + "/rF2stream")) << "the plug-in never set up its files";
    EXPECT_GE(server.Connections(1), 1) << c.port;
    EXPECT_EQ(server.OwnBytes(), 0) << c.port;
  }
}

}  // namespace
