// Something on the web server's port that accepts connections and never
// answers (a stuck server, another program), run on this machine (not under
// Wine) around the Windows program that drives the plug-in.
//
// usage: silent_server probe|focus <silent connections> <close limit ms> -- <command...>
//
// probe: nothing is ever answered, the probe included.
// focus: the probe "GET /rest/watch/sessionInfo" is answered 200, so that the
//        plug-in makes focus requests; those are never answered.
//
// Exactly <silent connections> unanswered connections must arrive, and the
// plug-in must close each one itself within <close limit ms> of connecting.
// The server gives up on a connection after kGiveUpSeconds, so that a plug-in
// that would wait for ever still lets the test end (and fail).
//
// The port is the machine's: other programs (another build's tests) may
// connect too. Only connections opened by the command's own processes count;
// any other is closed at once.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPort = 6397;
constexpr int kGiveUpSeconds = 20;
constexpr char kAnswer200[] =
    "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 2\r\n"
    "Connection: close\r\n\r\n{}";

struct Connection {
  int fd = -1;
  Clock::time_point accepted;
  std::string received;
  std::string requestLine;
  bool answered = false;
  bool closedByClient = false;
  bool givenUp = false;
  double heldMs = 0.0;
};

double MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// The inode of the client's end of the connection from `clientPort` to the
// server's port, from the kernel's table of IPv4 TCP sockets; empty if none.
std::string ClientSocketInode(unsigned clientPort) {
  char local[32];
  char remote[32];
  std::snprintf(local, sizeof local, "0100007F:%04X", clientPort);
  std::snprintf(remote, sizeof remote, "0100007F:%04X", static_cast<unsigned>(kPort));
  std::ifstream table("/proc/net/tcp");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, from, to, state, queues, timer, retransmits, uid, timeout, inode;
    fields >> slot >> from >> to >> state >> queues >> timer >> retransmits >> uid >> timeout >>
        inode;
    if (from == local && to == remote) return inode;
  }
  return "";
}

pid_t ParentOf(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const std::size_t end = all.rfind(')');  // the command name may hold blanks
  if (end == std::string::npos) return 0;
  std::istringstream rest(all.substr(end + 1));
  std::string state;
  pid_t parent = 0;
  rest >> state >> parent;
  return parent;
}

// Under Wine a socket is made by the prefix's server process and handed to
// the program: processes that share this prefix count as the command's own.
bool SharesOurWinePrefix(const std::string& pid) {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix == nullptr) return false;
  std::ifstream environ("/proc/" + pid + "/environ");
  const std::string wanted = std::string("WINEPREFIX=") + prefix;
  std::string variable;
  while (std::getline(environ, variable, '\0')) {
    if (variable == wanted) return true;
  }
  return false;
}

// The command's process, everything it started, and its Wine prefix's server.
std::set<pid_t> FamilyOf(pid_t root) {
  std::vector<std::pair<pid_t, pid_t>> links;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    links.emplace_back(static_cast<pid_t>(std::stoi(name)), ParentOf(name));
  }
  std::set<pid_t> family{root};
  for (const auto& link : links) {
    if (SharesOurWinePrefix(std::to_string(link.first))) family.insert(link.first);
  }
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& [pid, parent] : links) {
      if (family.count(parent) != 0 && family.insert(pid).second) grew = true;
    }
  }
  return family;
}

bool OwnedByFamily(int fd, pid_t root) {
  sockaddr_in peer{};
  socklen_t size = sizeof peer;
  if (root <= 0 || ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) != 0) return false;
  const std::string inode = ClientSocketInode(ntohs(peer.sin_port));
  if (inode.empty()) return false;
  const std::string link = "socket:[" + inode + "]";
  std::error_code error;
  for (const pid_t pid : FamilyOf(root)) {
    const std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
      if (std::filesystem::read_symlink(entry.path(), error).string() == link) return true;
    }
  }
  return false;
}

int Listen() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int yes = 1;
  // As the HTTP servers of the other tests do: their closed connections
  // would otherwise keep the port from us for a minute.
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(kPort);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  // Another program may hold the port for a moment (another test run).
  for (int attempt = 0; attempt < 60; ++attempt) {
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::listen(fd, 16) == 0) {
      return fd;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  ::close(fd);
  return -1;
}

void Finish(Connection& c, bool byClient) {
  c.heldMs = MillisecondsBetween(c.accepted, Clock::now());
  c.closedByClient = byClient;
  c.givenUp = !byClient;
  ::close(c.fd);
  c.fd = -1;
}

// Reads what the client sent; answers the probe in focus mode.
void Serve(Connection& c, bool answerProbe) {
  char buffer[4096];
  const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
  if (n <= 0) {
    Finish(c, true);
    return;
  }
  c.received.append(buffer, static_cast<std::size_t>(n));
  const std::size_t lineEnd = c.received.find("\r\n");
  if (c.requestLine.empty() && lineEnd != std::string::npos) {
    c.requestLine = c.received.substr(0, lineEnd);
  }
  if (answerProbe && !c.answered && c.received.find("\r\n\r\n") != std::string::npos &&
      c.requestLine.rfind("GET /rest/watch/sessionInfo ", 0) == 0) {
    c.answered = ::send(c.fd, kAnswer200, sizeof kAnswer200 - 1, MSG_NOSIGNAL) > 0;
  }
}

// Accepts and watches connections until told to stop and none is left open.
void Run(int listener, bool answerProbe, const std::atomic<bool>& stop,
         const std::atomic<pid_t>& child, std::vector<Connection>& connections,
         int& foreign) {
  for (;;) {
    std::vector<pollfd> watched{{listener, POLLIN, 0}};
    std::vector<std::size_t> owners;
    for (std::size_t i = 0; i < connections.size(); ++i) {
      if (connections[i].fd < 0) continue;
      if (MillisecondsBetween(connections[i].accepted, Clock::now()) > kGiveUpSeconds * 1000.0) {
        Finish(connections[i], false);
        continue;
      }
      watched.push_back({connections[i].fd, POLLIN, 0});
      owners.push_back(i);
    }
    if (stop && owners.empty()) return;
    if (::poll(watched.data(), watched.size(), 20) <= 0) continue;
    for (std::size_t k = 1; k < watched.size(); ++k) {
      if (watched[k].revents != 0) Serve(connections[owners[k - 1]], answerProbe);
    }
    if ((watched[0].revents & POLLIN) != 0) {
      Connection c;
      c.fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      c.accepted = Clock::now();
      if (c.fd < 0) continue;
      if (OwnedByFamily(c.fd, child)) {
        connections.push_back(c);
      } else {
        ::close(c.fd);
        ++foreign;
      }
    }
  }
}

int RunChild(char** argv, std::atomic<pid_t>& started) {
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[0], argv);
    std::perror("execvp");
    _exit(127);
  }
  if (child < 0) return -1;
  started = child;
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Check(bool condition, const std::string& what) {
  if (!condition) std::cout << "check failed: " << what << "\n";
  return condition;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (argc < 6 || (mode != "probe" && mode != "focus") || std::string(argv[4]) != "--") {
    std::cerr << "usage: silent_server probe|focus <silent connections> <close limit ms> -- "
                 "<command...>\n";
    return 2;
  }
  const std::size_t expectedSilent = static_cast<std::size_t>(std::atoi(argv[2]));
  const double limitMs = std::atof(argv[3]);

  const int listener = Listen();
  if (listener < 0) {
    std::cout << "port " << kPort << " stays in use by another program\n";
    return 1;
  }
  std::atomic<bool> stop{false};
  std::atomic<pid_t> child{0};
  std::vector<Connection> connections;
  int foreign = 0;
  std::thread serving([&] { Run(listener, mode == "focus", stop, child, connections, foreign); });
  const int childResult = RunChild(argv + 5, child);
  stop = true;
  serving.join();
  ::close(listener);

  if (foreign > 0) std::cout << foreign << " connection(s) from other programs turned away\n";
  bool ok = Check(childResult == 0, "the Windows program failed (" +
                                        std::to_string(childResult) + ")");
  std::size_t silent = 0;
  for (const Connection& c : connections) {
    std::cout << "connection: \"" << c.requestLine << "\" "
              << (c.answered ? "answered, " : "never answered, ") << "held " << c.heldMs
              << " ms, " << (c.givenUp ? "the server gave up" : "closed by the plug-in") << "\n";
    if (c.answered) continue;
    ++silent;
    ok &= Check(!c.givenUp && c.heldMs <= limitMs,
                "\"" + c.requestLine + "\" held " + std::to_string(c.heldMs) +
                    " ms, the limit is " + std::to_string(limitMs) + " ms");
  }
  ok &= Check(silent == expectedSilent, std::to_string(silent) +
                                            " unanswered connection(s), expected " +
                                            std::to_string(expectedSilent));
  std::cout << (ok ? "every unanswered connection ended in time\n"
                   : "unanswered connections wrong\n");
  return ok ? 0 : 1;
}
