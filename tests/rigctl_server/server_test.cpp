#include "rigctl_server/server.hpp"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTcpSocket>
#include <QTest>
#include <chrono>
#include <memory>
#include <vector>

#ifdef __linux__
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#endif

#include "support/fake_tuner.hpp"

namespace {

// How long a wait may take: the waits end as soon as their condition holds, and under qemu-user
// on a loaded machine a server's work takes several times as long as natively.
constexpr int kPatienceMs = 30'000;

// A server on a free loopback port, and its clients.
class RigctlServerTest : public ::testing::Test {
 protected:
  RigctlServerTest() { listen(QHostAddress::LocalHost); }

  void listen(const QHostAddress& address,
              std::chrono::milliseconds idle_limit = rigctl_server::Server::kIdleLimit) {
    server = std::make_unique<rigctl_server::Server>(tuner, idle_limit);
    ASSERT_EQ(server->listen(address, 0), "");
    port =
        static_cast<quint16>(std::stoi(server->address().substr(server->address().rfind(':') + 1)));
  }

  std::unique_ptr<QTcpSocket> connect_client(const QByteArray& said = "") {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, port);
    EXPECT_TRUE(socket->waitForConnected(kPatienceMs));
    socket->write(said);
    return socket;
  }

  // Sends `request` and waits for one line of answer.
  static QByteArray ask(QTcpSocket& socket, const QByteArray& request) {
    socket.write(request);
    QByteArray answer;
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return (answer += socket.readAll()).contains('\n'); }, kPatienceMs));
    return answer;
  }

  static bool closed_by_server(QTcpSocket& socket) {
    return QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; },
                           kPatienceMs);
  }

  bool clients_become(int count) {
    return QTest::qWaitFor([&] { return server->clients() == count; }, kPatienceMs);
  }

  std::string status(const std::string& clients) const {
    return "rigctld 127.0.0.1:" + std::to_string(port) + ", " + clients;
  }

#ifdef __linux__
  void run_out_of_descriptors_then_free_them();
#endif

  support::FakeTuner tuner;
  std::unique_ptr<rigctl_server::Server> server;
  quint16 port = 0;
};

TEST_F(RigctlServerTest, CountsItsClientsAndLetsQuitEndOne) {
  int changes = 0;
  server->on_clients_changed([&changes] { ++changes; });
  EXPECT_EQ(server->status(), status("0 clients"));
  auto client = connect_client();
  EXPECT_EQ(ask(*client, "f\n"), "106200000\n");
  EXPECT_EQ(server->status(), status("1 client"));
  EXPECT_EQ(ask(*client, "q\n"), "RPRT 0\n");
  EXPECT_TRUE(closed_by_server(*client));
  EXPECT_TRUE(clients_become(0));
  EXPECT_EQ(changes, 2);
}

TEST_F(RigctlServerTest, AnOverlongLineClosesOnlyThatConnection) {
  auto rude = connect_client(QByteArray(2000, 'x'));
  auto polite = connect_client();
  EXPECT_TRUE(closed_by_server(*rude));
  EXPECT_EQ(ask(*polite, "f\n"), "106200000\n");
}

// Thousands of requests in one write, from a client that reads: every answer, in order.
TEST_F(RigctlServerTest, ABurstOfRequestsIsAnsweredInFull) {
  auto client = connect_client(QByteArray("f\n").repeated(10'000));
  QByteArray answers;
  const QByteArray expected = QByteArray("106200000\n").repeated(10'000);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return (answers += client->readAll()).size() >= expected.size(); }, kPatienceMs))
      << answers.size() << " bytes of answers";
  EXPECT_EQ(answers, expected);
}

// Connections that have not said a word for longer than the limit give way to newcomers, the
// longest silent first; before that, a newcomer is turned away. The oldest connection, which
// asks now and then, keeps its place.
TEST_F(RigctlServerTest, SilentConnectionsGiveWayOnceIdlePastTheLimit) {
  constexpr int kLimitMs = 3000;
  listen(QHostAddress::LocalHost, std::chrono::milliseconds(kLimitMs));
  std::vector<std::unique_ptr<QTcpSocket>> clients;
  for (int i = 0; i < 16; ++i) clients.push_back(connect_client());
  ASSERT_TRUE(clients_become(16));
  auto early = connect_client();
  EXPECT_TRUE(closed_by_server(*early));
  QTest::qWait(kLimitMs / 2);
  QTcpSocket& polling = *clients[0];
  EXPECT_EQ(ask(polling, "f\n"), "106200000\n");
  QTest::qWait(kLimitMs / 2 + 500);
  auto seventeenth = connect_client();
  EXPECT_TRUE(closed_by_server(*clients[1]));
  auto real = connect_client();
  EXPECT_EQ(ask(*real, "f\n"), "106200000\n");
  EXPECT_TRUE(closed_by_server(*clients[2]));
  EXPECT_EQ(polling.state(), QAbstractSocket::ConnectedState);
  EXPECT_EQ(seventeenth->state(), QAbstractSocket::ConnectedState);
  EXPECT_EQ(clients[3]->state(), QAbstractSocket::ConnectedState);
}

// Once the port has failed, a tuning answers RIG_EIO and ends its conversation; nobody else
// is answered as if nothing had happened.
TEST_F(RigctlServerTest, AfterThePortFailsNoClientIsAnswered) {
  auto poller = connect_client();
  auto tuning = connect_client();
  ASSERT_TRUE(clients_become(2));
  tuner.failing_tuning = 1;
  EXPECT_EQ(ask(*tuning, "F 100000000\n"), "RPRT -6\n");
  EXPECT_TRUE(closed_by_server(*tuning));
  poller->write("f\n");
  EXPECT_TRUE(closed_by_server(*poller));
  EXPECT_EQ(poller->readAll(), "");
  auto late = connect_client();
  EXPECT_TRUE(closed_by_server(*late));
}

TEST_F(RigctlServerTest, AnIpv6AddressIsBracketed) {
  listen(QHostAddress::LocalHostIPv6);
  EXPECT_EQ(server->status().rfind("rigctld [::1]:", 0), 0u) << server->status();
}

TEST_F(RigctlServerTest, EndsEveryConversationBeforeItGoes) {
  int changes = 0;
  server->on_clients_changed([&changes] { ++changes; });
  std::vector<std::unique_ptr<QTcpSocket>> clients;
  for (const char* said : {"f\n", "F 1000", ""}) clients.push_back(connect_client(said));
  ASSERT_TRUE(clients_become(3));
  QTest::qWait(100);
  const int changes_before = changes;
  server.reset();
  EXPECT_EQ(changes, changes_before);  // nobody is told of clients once the server is going
  for (auto& client : clients) EXPECT_TRUE(closed_by_server(*client));
}

#ifdef __linux__
// The process's CPU time, in milliseconds.
double cpu_ms() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Lowers the soft limit on open files to `limit` while it lives.
class FileLimit {
 public:
  explicit FileLimit(rlim_t limit) {
    getrlimit(RLIMIT_NOFILE, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = limit;
    lowered_ = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
  }
  ~FileLimit() { setrlimit(RLIMIT_NOFILE, &saved_); }
  FileLimit(const FileLimit&) = delete;
  FileLimit& operator=(const FileLimit&) = delete;
  bool lowered() const { return lowered_; }

 private:
  rlimit saved_{};
  bool lowered_ = false;
};

// With no descriptor left in the process, the server cannot take the connections that wait:
// it neither answers them nor spins on the failure, and once descriptors are freed it answers
// again, as quickly as before.
void RigctlServerTest::run_out_of_descriptors_then_free_them() {
  constexpr int kSpareDescriptors = 4;
  std::vector<int> fillers;
  const auto close_fillers = [&fillers] {
    for (const int fd : fillers) ::close(fd);
    fillers.clear();
  };
  {
    // The lowest free descriptor, and a few above it: all that the fillers may take.
    const int lowest_free = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(lowest_free, 0) << std::strerror(errno);
    ::close(lowest_free);
    FileLimit limit(static_cast<rlim_t>(lowest_free + kSpareDescriptors));
    ASSERT_TRUE(limit.lowered()) << std::strerror(errno);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int error = 0;
    while (fillers.size() <= kSpareDescriptors) {
      const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
      if (fd < 0) {
        error = errno;
        break;
      }
      fillers.push_back(fd);
      // The kernel completes the connection; the server has yet to take it.
      if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ADD_FAILURE() << "connect: " << std::strerror(errno);
      }
    }
    if (error != EMFILE || fillers.empty()) {
      const std::size_t opened = fillers.size();
      close_fillers();
      FAIL() << "the descriptors did not run out: " << opened << " sockets, then "
             << std::strerror(error);
    }
    // Asked by a filler whose connection waits to be taken: no descriptor is left to take it.
    EXPECT_EQ(::send(fillers.front(), "f\n", 2, MSG_NOSIGNAL), 2) << std::strerror(errno);
    const double cpu_before = cpu_ms();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(1000);
    const double cpu_spent = cpu_ms() - cpu_before;
    // Waiting costs next to nothing; retrying without a pause would take most of a core.
    EXPECT_LT(cpu_spent, static_cast<double>(wall.elapsed()) / 5)
        << "the server spent " << cpu_spent << " ms of CPU in " << wall.elapsed() << " ms";
    char answer[16];
    EXPECT_EQ(::recv(fillers.front(), answer, sizeof answer, MSG_DONTWAIT), -1)
        << "answered without a descriptor to answer on";
    close_fillers();
  }
  // Clients one after another, each answered without waiting out a pause of the server's:
  // twenty within two seconds.
  QElapsedTimer wall;
  wall.start();
  for (int i = 0; i < 20; ++i) {
    auto client = connect_client();
    ASSERT_EQ(ask(*client, "f\n"), "106200000\n")
        << "client " << i << ": no answer once descriptors were free";
  }
  EXPECT_LT(wall.elapsed(), 2000) << "twenty clients took " << wall.elapsed() << " ms";
}

TEST_F(RigctlServerTest, OutOfDescriptorsItWaitsWithoutSpinningAndThenAnswersAgain) {
  run_out_of_descriptors_then_free_them();
}

// Qt keeps the first error of a listening socket for good. Once a batch of connections has
// ended, that is "try again later", so it would take a later lack of descriptors for nothing
// worse, and neither pause nor report it.
TEST_F(RigctlServerTest, AfterServingAClientOutOfDescriptorsItStillWaitsWithoutSpinning) {
  auto served = connect_client();
  ASSERT_EQ(ask(*served, "f\n"), "106200000\n");
  run_out_of_descriptors_then_free_them();
  if (HasFatalFailure()) return;
  EXPECT_EQ(ask(*served, "f\n"), "106200000\n") << "the first client was let go";
}
#endif

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
