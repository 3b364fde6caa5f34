#include "rigctl_server/server.hpp"

#include <gtest/gtest.h>

#include <QTcpSocket>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#ifdef __linux__
#include <linux/sockios.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
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
struct RigctlServerTest : ::testing::Test {
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

  // Whether `done` comes to hold, waiting for it at most kPatienceMs.
  static bool soon(const auto& done) { return QTest::qWaitFor(done, kPatienceMs); }

  // Sends `request` and waits for one line of answer.
  static QByteArray ask(QTcpSocket& socket, const QByteArray& request) {
    socket.write(request);
    QByteArray answer;
    EXPECT_TRUE(soon([&] { return (answer += socket.readAll()).contains('\n'); }));
    return answer;
  }

  static bool closed_by_server(QTcpSocket& socket) {
    return soon([&] { return socket.state() == QAbstractSocket::UnconnectedState; });
  }

  bool clients_become(int count) {
    return soon([&] { return server->clients() == count; });
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
  server.reset();
  EXPECT_EQ(changes, 5);  // the three that came, and none told of going
  for (auto& going : clients) EXPECT_TRUE(closed_by_server(*going));
  listen(QHostAddress::LocalHostIPv6);
  EXPECT_TRUE(server->status().starts_with("rigctld [::1]:")) << server->status();
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
  EXPECT_TRUE(closed_by_server(*connect_client()));  // early
  QTest::qWait(kLimitMs / 2);
  EXPECT_EQ(ask(*clients[0], "f\n"), kFrequency);  // polling
  QTest::qWait(kLimitMs / 2 + 500);
  auto seventeenth = connect_client();
  EXPECT_TRUE(closed_by_server(*clients[1]));
  EXPECT_EQ(ask(*connect_client(), "f\n"), kFrequency);
  EXPECT_TRUE(closed_by_server(*clients[2]));
  for (const auto* kept : {clients[0].get(), seventeenth.get(), clients[3].get()})
    EXPECT_EQ(kept->state(), QAbstractSocket::ConnectedState);
}

// An overlong line closes only its own connection. (A burst of thousands answered in full is
// HoldsUpTo64KiBOfUnreadAnswersAndGoesOnOnceTheyAreRead's.) Once the port has failed, a tuning
// answers RIG_EIO and ends its conversation; nobody else is answered as if nothing had happened.
TEST_F(RigctlServerTest, AnOverlongLineEndsItsOwnConnectionAFailedPortEveryOne) {
  auto rude = connect_client(QByteArray(2000, 'x'));
  auto poller = connect_client();
  auto tuning = connect_client();
  EXPECT_TRUE(closed_by_server(*rude));
  EXPECT_EQ(ask(*poller, "f\n"), kFrequency);
  ASSERT_TRUE(clients_become(2));
  tuner.failing_tuning = 1;
  EXPECT_EQ(ask(*tuning, "F 100000000\n"), "RPRT -6\n");
  EXPECT_TRUE(closed_by_server(*tuning));
  poller->write("f\n");
  EXPECT_TRUE(closed_by_server(*poller));
  EXPECT_EQ(poller->readAll(), "");
  EXPECT_TRUE(closed_by_server(*connect_client()));  // a newcomer
}

#ifdef __linux__
// The server's own descriptor of the connection whose client end is `client`.
int server_end(qintptr client) {
  sockaddr_in own{}, peer{};
  socklen_t size = sizeof own;
  getsockname(static_cast<int>(client), reinterpret_cast<sockaddr*>(&own), &size);
  for (int fd = 0; fd < 1024; ++fd) {
    size = sizeof peer;
    if (fd != client && getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) == 0 &&
        peer.sin_port == own.sin_port)
      return fd;
  }
  ADD_FAILURE() << "no descriptor of the server's has the client's port";
  return -1;
}

// What the kernel holds of a connection: FIONREAD received and unread, SIOCOUTQ not yet
// acknowledged.
int queued(int fd, unsigned long request) {
  int bytes = 0;
  ioctl(fd, request, &bytes);
  return bytes;
}

// A client that sends a burst and reads nothing: the server answers until 64 KiB of answers wait
// in its own buffer (besides the little the kernel's buffers hold, kept small), and goes on
// once they are read; every request is answered, in order.
TEST_F(RigctlServerTest, HoldsUpTo64KiBOfUnreadAnswersAndGoesOnOnceTheyAreRead) {
  // Set before connecting, that the client's window starts small.
  const int small = 4096, fd = ::socket(AF_INET, SOCK_STREAM, 0);
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  const sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
  ASSERT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  auto client = std::make_unique<QTcpSocket>();
  client->setSocketDescriptor(fd);
  ASSERT_TRUE(clients_become(1));
  const int server_fd = server_end(fd);
  setsockopt(server_fd, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
  client->setReadBufferSize(1);
  constexpr int kRequests = 16'000;
  client->write(QByteArray("F 100000000\n").repeated(kRequests));
  // Answered so far, less what the kernel holds: the client's unread, the server's unacknowledged
  // (counted twice only while an acknowledgement is on its way).
  const auto held = [&] {
    return std::ssize(tuner.dividers) * 7 - queued(server_fd, SIOCOUTQ) - queued(fd, FIONREAD);
  };
  EXPECT_TRUE(soon([&] { return held() >= 64 * 1024; })) << held();
  QTest::qWait(1000);
  // Past the limit: the answers to one slice of requests (600 bytes), and any on their way.
  EXPECT_LE(held(), (64 + 9) * 1024) << tuner.dividers.size() << " requests answered";
  client->setReadBufferSize(0);
  QByteArray answers;
  EXPECT_TRUE(soon([&] { return (answers += client->readAll()).size() >= kRequests * 7; }))
      << answers.size() << " bytes of answers";
  EXPECT_EQ(answers, QByteArray("RPRT 0\n").repeated(kRequests));
}

// Two bursts waiting at once are taken in turns of one read of 1024 bytes each: of these 12-byte
// requests, 85, 85, 86 (1024, 2048, 3072 bytes) and again.
TEST_F(RigctlServerTest, TakesBurstsWaitingAtOnceInTurnsOf1024Bytes) {
  std::vector<std::unique_ptr<QTcpSocket>> clients;
  for (int i = 0; i < 2; ++i) clients.push_back(connect_client());
  ASSERT_TRUE(clients_become(2));
  // All of both in the server's kernel buffers before its event loop turns again.
  for (int i = 0; i < 2; ++i) {
    const QByteArray burst = QByteArray(i == 0 ? "F 100000000\n" : "F 100100000\n").repeated(512);
    const auto fd = static_cast<int>(clients[i]->socketDescriptor());
    ASSERT_EQ(::send(fd, burst.data(), static_cast<size_t>(burst.size()), 0), burst.size());
    const int server_fd = server_end(fd);
    for (int waited = 0; queued(server_fd, FIONREAD) < 6144 && waited < kPatienceMs; waited += 10)
      QTest::qSleep(10);
  }
  ASSERT_TRUE(soon([&] { return tuner.dividers.size() == 1024; })) << tuner.dividers.size();
  std::vector<int> turns;
  for (std::size_t i = 0; i < tuner.dividers.size(); ++turns.back(), ++i)
    if (i == 0 || tuner.dividers[i] != tuner.dividers[i - 1]) turns.push_back(0);
  EXPECT_EQ(turns, (std::vector<int>{85, 85, 85, 85, 86, 86, 85, 85, 85, 85, 86, 86}));
}

// With no descriptor left in the process, the server cannot take the connections that wait: it
// tries every 250 ms, no sooner (nor spinning), so a descriptor freed after a try goes to the
// next connection at the try 250 ms on. Once descriptors are back it answers every waiting
// connection, and new ones as quickly as before. Qt keeps the first error of a listening socket
// for good: once a client has been taken, that is "try again later", which a lack of
// descriptors must not pass for.
TEST_F(RigctlServerTest, OutOfDescriptorsItTriesEveryQuarterSecondThenAnswersAsBefore) {
  auto served = connect_client();
  ASSERT_EQ(ask(*served, "f\n"), kFrequency);
  std::vector<std::unique_ptr<QTcpSocket>> waiting;
  for (int i = 0; i < 6; ++i) waiting.push_back(connect_client("f\n"));
  // The lowest free descriptor, and a few above it: all the spares may take.
  const int lowest_free = ::dup(static_cast<int>(served->socketDescriptor()));
  ::close(lowest_free);
  rlimit saved{};
  getrlimit(RLIMIT_NOFILE, &saved);
  const rlimit lowered{static_cast<rlim_t>(lowest_free + 8), saved.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0) << std::strerror(errno);
  std::vector<int> spares;
  for (int fd; (fd = ::dup(static_cast<int>(served->socketDescriptor()))) >= 0;)
    spares.push_back(fd);
  // Each case runs in a process of its own: one that fails here leaves nothing behind.
  ASSERT_TRUE(spares.size() >= 5 && errno == EMFILE)
      << spares.size() << " spare descriptors, then " << std::strerror(errno);
  QElapsedTimer clock;
  clock.start();
  std::vector<qint64> taken;
  server->on_clients_changed([&] { taken.push_back(clock.elapsed()); });
  // Long enough for failed tries and their pauses (web.limits times the processor meanwhile).
  QTest::qWait(600);
  ASSERT_EQ(server->clients(), 1);
  qint64 shortest = kPatienceMs;  // between two clients taken
  for (std::size_t i = 1; i <= 5; ++i) {
    ::close(spares.back());
    spares.pop_back();
    ASSERT_TRUE(soon([&] { return taken.size() == i; })) << "client " << i;
    if (i > 1) shortest = std::min(shortest, taken[i - 1] - taken[i - 2]);
    QTest::qWait(100);  // the try after it, which fails
  }
  for (const int fd : spares) ::close(fd);
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_TRUE(shortest >= 245 && shortest <= 750) << "shortest gap " << shortest << " ms";
  for (auto& client : waiting) EXPECT_EQ(ask(*client, ""), kFrequency) << "a waiting client";
  // Clients one after another, each answered without waiting out a pause of the server's:
  // twenty within two seconds.
  clock.restart();
  for (int i = 0; i < 20; ++i)
    ASSERT_EQ(ask(*connect_client(), "f\n"), kFrequency)
        << "client " << i << ": no answer once descriptors were free";
  EXPECT_LT(clock.elapsed(), 2000) << "twenty clients took " << clock.elapsed() << " ms";
  EXPECT_EQ(ask(*served, "f\n"), kFrequency) << "the first client was let go";
}
#endif

}  // namespace
