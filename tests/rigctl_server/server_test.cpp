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
#endif

#include "support/fake_tuner.hpp"

namespace {

// How long a wait may take: the waits end as soon as their condition holds, and under qemu-user
// on a loaded machine a server's work takes several times as long as natively.
constexpr int kPatienceMs = 30'000;
// The tuner's 11690, as the answer to "f".
const QByteArray kFrequency = "106200000\n";

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

  support::FakeTuner tuner;
  std::unique_ptr<rigctl_server::Server> server;
  quint16 port = 0;
};

// Clients are counted and told of as they come and go; "q" ends a conversation, and the server
// ends every one before it goes, telling nobody of it.
TEST_F(RigctlServerTest, CountsItsClientsAndEndsTheirConversations) {
  int changes = 0;
  server->on_clients_changed([&changes] { ++changes; });
  const std::string listening = "rigctld 127.0.0.1:" + std::to_string(port);
  EXPECT_EQ(server->status(), listening + ", 0 clients");
  auto client = connect_client();
  EXPECT_EQ(ask(*client, "f\n"), kFrequency);
  EXPECT_EQ(server->status(), listening + ", 1 client");
  EXPECT_EQ(ask(*client, "q\n"), "RPRT 0\n");
  EXPECT_TRUE(closed_by_server(*client));
  EXPECT_TRUE(clients_become(0));
  EXPECT_EQ(changes, 2);
  std::vector<std::unique_ptr<QTcpSocket>> clients;
  for (const char* said : {"f\n", "F 1000", ""}) clients.push_back(connect_client(said));
  ASSERT_TRUE(clients_become(3));
  QTest::qWait(100);
  changes = 0;
  server.reset();
  EXPECT_EQ(changes, 0);
  for (auto& going : clients) EXPECT_TRUE(closed_by_server(*going));
  listen(QHostAddress::LocalHostIPv6);
  EXPECT_TRUE(server->status().starts_with("rigctld [::1]:")) << server->status();
}

// Thousands of requests in one write, from a client that reads: every answer, in order. An
// overlong line closes only its own connection.
TEST_F(RigctlServerTest, AnswersABurstInFullAndClosesOnlyAnOverlongLine) {
  auto rude = connect_client(QByteArray(2000, 'x'));
  auto client = connect_client(QByteArray("f\n").repeated(10'000));
  EXPECT_TRUE(closed_by_server(*rude));
  QByteArray answers;
  const QByteArray expected = kFrequency.repeated(10'000);
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
  EXPECT_EQ(ask(polling, "f\n"), kFrequency);
  QTest::qWait(kLimitMs / 2 + 500);
  auto seventeenth = connect_client();
  EXPECT_TRUE(closed_by_server(*clients[1]));
  auto real = connect_client();
  EXPECT_EQ(ask(*real, "f\n"), kFrequency);
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

#ifdef __linux__
// With no descriptor left in the process, the server cannot take the connections that wait; once
// descriptors are freed it answers again, as quickly as before. Qt keeps the first error of a
// listening socket for good: once a client has been taken, that is "try again later", which a
// lack of descriptors must not pass for.
TEST_F(RigctlServerTest, OutOfDescriptorsItWaitsAndThenAnswersAgain) {
  auto served = connect_client();
  ASSERT_EQ(ask(*served, "f\n"), kFrequency);
  // The lowest free descriptor, and a few above it: all that the fillers may take.
  const int lowest_free = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(lowest_free, 0) << std::strerror(errno);
  ::close(lowest_free);
  rlimit saved{};
  getrlimit(RLIMIT_NOFILE, &saved);
  rlimit lowered = saved;
  lowered.rlim_cur = static_cast<rlim_t>(lowest_free + 4);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0) << std::strerror(errno);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::vector<int> fillers;
  for (int fd; fillers.size() <= 4 && (fd = ::socket(AF_INET, SOCK_STREAM, 0)) >= 0;) {
    fillers.push_back(fd);
    // The kernel completes the connection; the server has yet to take it.
    EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0)
        << std::strerror(errno);
  }
  // Each case runs in a process of its own: one that fails here leaves nothing behind.
  ASSERT_TRUE(!fillers.empty() && fillers.size() <= 4 && errno == EMFILE)
      << "the descriptors did not run out: " << fillers.size() << " sockets, then "
      << std::strerror(errno);
  // Long enough for failed accepts and their pauses (web.limits times the processor meanwhile).
  QTest::qWait(1000);
  for (const int fd : fillers) ::close(fd);
  setrlimit(RLIMIT_NOFILE, &saved);
  // Clients one after another, each answered without waiting out a pause of the server's:
  // twenty within two seconds.
  QElapsedTimer wall;
  wall.start();
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(ask(*connect_client(), "f\n"), kFrequency)
        << "client " << i << ": no answer once descriptors were free";
  }
  EXPECT_LT(wall.elapsed(), 2000) << "twenty clients took " << wall.elapsed() << " ms";
  EXPECT_EQ(ask(*served, "f\n"), kFrequency) << "the first client was let go";
}
#endif

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
